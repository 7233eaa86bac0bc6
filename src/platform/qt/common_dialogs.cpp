// Open and save file dialogs, colour and font choice.

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
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

// What the user saw, for the tests; the callback belongs to the caller's run only.
void Remember(const FileDialogOptions& options) {
    LastOptions() = options;
    LastOptions().folderOfFilter = nullptr;
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

void Prepare(QFileDialog& dialog, FileDialogOptions& o) {
    dialog.setWindowTitle(ToQString(o.title));
    QStringList filters = FilterTexts(o.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (o.filterIndex >= 0 && o.filterIndex < filters.size()) dialog.selectNameFilter(filters[o.filterIndex]);
    }
    if (!o.folder.empty()) dialog.setDirectory(ToQString(o.folder));
    if (!o.fileName.empty()) dialog.selectFile(ToQString(o.fileName));
    if (!o.defaultExtension.empty()) dialog.setDefaultSuffix(ToQString(o.defaultExtension));
    // Another file type: its folder, and on saving its extension on the typed name.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &o, filters](const QString& f) {
        int index = static_cast<int>(filters.indexOf(f));
        if (index < 0) return;
        QString typed = dialog.selectedFiles().value(0);
        QString name = typed.isEmpty() ? QString() : QFileInfo(typed).fileName();
        if (o.folderOfFilter) {
            std::string folder = o.folderOfFilter(index);
            if (!folder.empty()) dialog.setDirectory(ToQString(folder));
        }
        if (o.extensionFollowsFilter && !name.isEmpty())
            name = ToQString(ReplaceExtensionForPatterns(FromQString(name), o.filters[index].patterns));
        if (!name.isEmpty()) dialog.selectFile(name);
    });
}

std::vector<std::string> RunFileDialog(QFileDialog& dialog, FileDialogOptions& o) {
    std::vector<std::string> out;
    backend::EnterModal();
    int result = dialog.exec();
    backend::LeaveModal();
    if (result != QDialog::Accepted) return out;
    int chosen = static_cast<int>(FilterTexts(o.filters).indexOf(dialog.selectedNameFilter()));
    if (chosen >= 0) o.filterIndex = chosen;
    for (const QString& f : dialog.selectedFiles()) out.push_back(FromQString(f));
    return out;
}

// A scripted answer: the user may first pick another file type.
void PickScriptedFilter(FileDialogOptions& options, int filterIndex) {
    if (filterIndex < 0 || filterIndex >= static_cast<int>(options.filters.size())) return;
    options.filterIndex = filterIndex;
    if (options.folderOfFilter) {
        std::string folder = options.folderOfFilter(filterIndex);
        if (!folder.empty()) options.folder = folder;
    }
    if (options.extensionFollowsFilter && !options.fileName.empty())
        options.fileName = ReplaceExtensionForPatterns(options.fileName, options.filters[filterIndex].patterns);
}

}  // namespace

namespace automation {
const FileDialogOptions& LastFileDialogOptions() { return LastOptions(); }
}  // namespace automation

std::string ReplaceExtensionForPatterns(const std::string& name, const std::string& patterns) {
    if (patterns.find(';') != std::string::npos) return name;
    size_t dot = patterns.find('.');
    if (dot == std::string::npos || patterns.find_first_of("*?", dot) != std::string::npos) return name;
    std::string base = name.substr(0, name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
    return base + patterns.substr(dot);
}

std::vector<std::string> RunOpenFileDialog(Window* parent, FileDialogOptions& options) {
    std::vector<std::string> answer;
    int filterIndex = -1;
    if (backend::TakeFileDialogAnswer(answer, filterIndex)) {
        PickScriptedFilter(options, filterIndex);
        Remember(options);
        if (!options.multiple && answer.size() > 1) answer.resize(1);
        return answer;
    }
    Remember(options);
    QFileDialog dialog(Owner(parent));
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.multiple ? QFileDialog::ExistingFiles
                                        : options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return RunFileDialog(dialog, options);
}

std::string RunSaveFileDialog(Window* parent, FileDialogOptions& options) {
    std::vector<std::string> answer;
    int filterIndex = -1;
    if (backend::TakeFileDialogAnswer(answer, filterIndex)) {
        PickScriptedFilter(options, filterIndex);
        Remember(options);
        return answer.empty() ? std::string() : answer.front();
    }
    Remember(options);
    QFileDialog dialog(Owner(parent));
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    answer = RunFileDialog(dialog, options);
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
