// The framework's readers of outside input: the text editor fed a file's text and then
// edited by keys, typing, selections and undo as the input bytes say (the text model
// must keep its CR LF sentinel and never a lone CR or LF), and the "Palettes" and
// "Printer" sections of the settings profile.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "foundation/profile.h"
#include "fuzz_common.h"
#include "platform/input.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/title_block.h"
#include "ui/framework/txt_edit.h"

using namespace ob7;

namespace {

void CheckText(CTxtEdit& e) {
    const char* b = e.GetBuffer();
    int n = e.GetTextLength();
    if (b[n] != '\r' || b[n + 1] != '\n' || b[n + 2] != '\0') std::abort();
    for (int i = 0; i < n; ++i) {
        if (b[i] == '\r' && b[i + 1] != '\n') std::abort();
        if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r')) std::abort();
    }
    int s, t;
    e.GetSel(s, t);
    if (s < 0 || t > n || s > t) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::NullSink sink;
    SetBatchLogSink(&sink);
    if (size < 2) return 0;
    size_t split = data[0] % (size - 1) + 1;
    std::string text(reinterpret_cast<const char*>(data + 1), split - 1);
    std::string script(reinterpret_cast<const char*>(data + split), size - split);

    CTxtEdit e;
    e.SetText(text);
    CheckText(e);
    for (size_t i = 0; i + 1 < script.size(); i += 2) {
        int op = static_cast<unsigned char>(script[i]) % 12;
        int arg = static_cast<unsigned char>(script[i + 1]);
        switch (op) {
        case 0: e.TypeChar(arg); break;
        case 1: e.TypeChar('\r'); break;
        case 2: e.TypeChar(8); break;
        case 3: e.DeleteSelOrChar(); break;
        case 4: e.SetSel(arg * e.GetTextLength() / 255, arg % 7 * 3); break;
        case 5: e.OnKeyDown(platform::KeyEvent{platform::key::kLeft + arg % 4, arg >> 6}); break;
        case 6: e.OnKeyDown(platform::KeyEvent{arg % 2 ? platform::key::kHome : platform::key::kEnd, arg >> 6}); break;
        case 7: e.ReplaceSel(std::string(arg % 5, static_cast<char>('a' + arg % 26)) + (arg % 3 ? "\r\n" : "\n")); break;
        case 8: e.DeleteToLineEnd(); break;
        case 9: e.MatchBracket(); break;
        case 10: e.ScrollToLine(arg); break;
        case 11: e.SelectAll(); break;
        }
        CheckText(e);
    }

    // The same bytes as the two profile sections.
    std::string path = fuzz::ScratchDir() + "/sections.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CreateProgramPalette();
    for (int pass = 0; pass < 2; ++pass) {
        Profile p;
        if (p.OpenRead(path.c_str()) != 0) break;
        if (pass == 0) ReadPaletteSection(p);
        else ReadPrinterSection(p);
        p.Close();
    }
    SetBatchLogSink(nullptr);
    return 0;
}
