#pragma once
// The program's own help window: one window showing one topic at a time (title and
// text); the program finds the text for a context id, the viewer shows it.

#include <string>

namespace platform::help {

// Shows a topic, making the window on first use and bringing it forward.
void ShowTopic(const std::string& title, const std::string& text);
void Close();
bool IsOpen();
std::string CurrentTitle();
std::string CurrentText();

}  // namespace platform::help
