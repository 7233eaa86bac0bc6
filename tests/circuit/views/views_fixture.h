#pragma once
// The main frame of the circuit view tests, with the program palette made.

#include "platform/frame.h"

platform::FrameWindow& Main();
