// Open and save file dialogs, colour and font choice.

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

#include "platform/automation.h"
#include "platform/file_dialog.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

FileDialogOptions& LastOptions() {
    static FileDialogOptions last;
    return last;
}

QWidget* Owner(Window* parent) { return parent && parent->Peer() ? parent->Peer()->widget.data() : nullptr; }

QStringList FilterTexts(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        QString patterns = ToQString(f.patterns);
        patterns.replace(';', ' ');
        out << ToQString(f.name) + " (" + patterns + ")";
    }
    return out;
}

void Prepare(QFileDialog& dialog, const FileDialogOptions& o) {
    dialog.setWindowTitle(ToQString(o.title));
    QStringList filters = FilterTexts(o.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (o.filterIndex >= 0 && o.filterIndex < filters.size()) dialog.selectNameFilter(filters[o.filterIndex]);
    }
    if (!o.folder.empty()) dialog.setDirectory(ToQString(o.folder));
    if (!o.fileName.empty()) dialog.selectFile(ToQString(o.fileName));
    if (!o.defaultExtension.empty()) dialog.setDefaultSuffix(ToQString(o.defaultExtension));
}

std::vector<std::string> RunFileDialog(QFileDialog& dialog) {
    std::vector<std::string> out;
    backend::EnterModal();
    int result = dialog.exec();
    backend::LeaveModal();
    if (result != QDialog::Accepted) return out;
    for (const QString& f : dialog.selectedFiles()) out.push_back(FromQString(f));
    return out;
}

}  // namespace

namespace automation {
const FileDialogOptions& LastFileDialogOptions() { return LastOptions(); }
}  // namespace automation

std::vector<std::string> RunOpenFileDialog(Window* parent, const FileDialogOptions& options) {
    LastOptions() = options;
    std::vector<std::string> answer;
    if (backend::TakeFileDialogAnswer(answer)) {
        if (!options.multiple && answer.size() > 1) answer.resize(1);
        return answer;
    }
    QFileDialog dialog(Owner(parent));
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.multiple ? QFileDialog::ExistingFiles
                                        : options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return RunFileDialog(dialog);
}

std::string RunSaveFileDialog(Window* parent, const FileDialogOptions& options) {
    LastOptions() = options;
    std::vector<std::string> answer;
    if (backend::TakeFileDialogAnswer(answer)) return answer.empty() ? std::string() : answer.front();
    QFileDialog dialog(Owner(parent));
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    answer = RunFileDialog(dialog);
    return answer.empty() ? std::string() : answer.front();
}

bool RunColorDialog(Window* parent, Color& color, std::vector<Color>& customColors) {
    std::function<bool(Color&)> answer;
    if (backend::TakeColorDialogAnswer(answer)) return answer(color);
    for (int i = 0; i < static_cast<int>(customColors.size()) && i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, ToQColor(customColors[i]));
    QColorDialog dialog(ToQColor(color), Owner(parent));
    backend::EnterModal();
    int result = dialog.exec();
    backend::LeaveModal();
    for (int i = 0; i < static_cast<int>(customColors.size()) && i < QColorDialog::customCount(); ++i)
        customColors[i] = FromQColor(QColorDialog::customColor(i));
    if (result != QDialog::Accepted) return false;
    color = FromQColor(dialog.selectedColor());
    return true;
}

bool RunFontDialog(Window* parent, Font& font) {
    std::function<bool(Font&)> answer;
    if (backend::TakeFontDialogAnswer(answer)) return answer(font);
    QFontDialog dialog(ToQFont(font), Owner(parent));
    backend::EnterModal();
    int result = dialog.exec();
    backend::LeaveModal();
    if (result != QDialog::Accepted) return false;
    QFont chosen = dialog.selectedFont();
    font.face = FromQString(chosen.family());
    font.height = -(chosen.pixelSize() > 0 ? chosen.pixelSize() : chosen.pointSize() * 96 / 72);
    font.weight = chosen.weight();
    font.italic = chosen.italic();
    font.underline = chosen.underline();
    return true;
}

}  // namespace platform
