#pragma once
// A main frame with its MDI client for the framework's window tests, and a text
// document view (a file-backed view holding one text editor) as the later circuit
// views will be.

#include <string>

#include "platform/application.h"
#include "platform/frame.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/shell_state.h"
#include "ui/framework/txt_edit.h"

struct TextView : ob7::CIODraw {
    TextView() { drawType = ob7::kDrawText; }
    ob7::CTxtEdit editor;
    std::string saved;        // what the last SaveToFile wrote
    int saveCode = 0;         // what SaveToFile answers
    int changes = 0;
    void OnDocumentChanged() override {
        ++changes;
        SetModified(1);
    }
    int SaveToFile(const std::string& path) override {
        if (saveCode) return saveCode;
        saved = path;
        modified = 0;
        return 0;
    }
    ob7::CTxtEdit* TextEditor() override { return &editor; }
    void Cut(int) override { editor.Cut(); }
    void Copy() override { editor.Copy(); }
    void Paste() override { editor.Paste(); }
    void Clear() override { editor.DeleteSelOrChar(); }
    void SelectAll() override { editor.SelectAll(); }
    void OnSize(int w, int h) override {
        if (editor.IsCreated()) editor.Move(platform::Rect{0, 0, w, h});
    }
};

struct TextFrame : ob7::CIOFrame {
    TextView view;
    // Opens the frame in the main frame with its view and editor.
    bool Open(platform::FrameWindow& main, const std::string& path, const std::string& text = {}) {
        kind = ob7::kDrawText;
        draw = &view;
        view.frame = this;
        view.ioFrame = this;
        if (!CreateChildFrame(main, "ckt", path)) return false;
        if (!view.CreateInFrame(this)) return false;
        if (!view.editor.Create(&view, 1)) return false;
        view.editor.Move(view.ClientRect());
        view.editor.SetText(text);
        view.untitled = 0;
        return true;
    }
};

// The one main frame of the framework tests.
inline platform::FrameWindow& MainFrame() {
    static platform::FrameWindow* main = [] {
        TestApp();
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        auto* f = new platform::FrameWindow;
        f->CreateFrame("Ombrelic", platform::Rect{0, 0, 900, 640});
        TestApp().SetMainWindow(f);
        f->Show(true);
        return f;
    }();
    return *main;
}
