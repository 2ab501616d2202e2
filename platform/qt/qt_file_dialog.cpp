#include <QFileDialog>
#include <QStringList>
#include <cctype>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_platform.h"

namespace plat::qt {

QString QtPatterns(const std::string& patterns) {
  QStringList out;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string p = patterns.substr(start, end - start);
    start = end + 1;
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (p.empty()) continue;
    if (p == "*.*" || p == "*") {
      out << QStringLiteral("*");
      continue;
    }
    QString q;
    for (char c : p) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (std::isalpha(u) && u < 0x80) {
        q += QLatin1Char('[');
        q += QLatin1Char(static_cast<char>(std::tolower(u)));
        q += QLatin1Char(static_cast<char>(std::toupper(u)));
        q += QLatin1Char(']');
      } else {
        q += QLatin1Char(c);
      }
    }
    out << q;
  }
  if (out.isEmpty()) out << QStringLiteral("*");
  return out.join(QLatin1Char(' '));
}

QtFileDialogs::QtFileDialogs() { SetFileDialogBackend(this); }

QtFileDialogs::~QtFileDialogs() {
  if (GetFileDialogBackend() == this) SetFileDialogBackend(nullptr);
}

FileDialogResult QtFileDialogs::Run(const FileDialogRequest& request) {
  QFileDialog dialog(NativeWidget(request.owner), ToQt(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  switch (request.kind) {
    case FileDialogKind::kOpen:
      dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      break;
    case FileDialogKind::kOpenMany:
      dialog.setFileMode(QFileDialog::ExistingFiles);
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      break;
    case FileDialogKind::kSave:
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
      break;
    case FileDialogKind::kPickFolder:
      dialog.setFileMode(QFileDialog::Directory);
      dialog.setOption(QFileDialog::ShowDirsOnly, true);
      break;
  }
  QStringList filters;
  if (request.kind != FileDialogKind::kPickFolder) {
    // The patterns go in the last parentheses, where Qt reads them; the
    // names are shown as they are.
    for (const FileFilter& f : request.filters) filters << ToQt(f.name) + " (" + QtPatterns(f.pattern) + ")";
    if (!filters.isEmpty()) {
      dialog.setOption(QFileDialog::HideNameFilterDetails, true);
      dialog.setNameFilters(filters);
      const int index = std::clamp(request.filterIndex, 1, static_cast<int32_t>(filters.size())) - 1;
      dialog.selectNameFilter(filters[index]);
    }
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  }
  if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder.string()));
  if (!request.initialName.empty()) {
    if (request.initialName.has_parent_path()) {
      dialog.setDirectory(QString::fromStdString(request.initialName.parent_path().string()));
    }
    dialog.selectFile(QString::fromStdString(request.initialName.filename().string()));
  }
  FileDialogResult result;
  if (dialog.exec() != QDialog::Accepted) return result;
  for (const QString& f : dialog.selectedFiles()) result.paths.emplace_back(f.toStdString());
  result.chosen = !result.paths.empty();
  // With the details hidden the dialog reports the filter by its shown name.
  const QString selected = dialog.selectedNameFilter().trimmed();
  for (int i = 0; i < filters.size(); ++i) {
    const QString shown = filters[i].left(filters[i].lastIndexOf(QStringLiteral(" ("))).trimmed();
    if (filters[i] == selected || shown == selected) {
      result.filterIndex = i + 1;
      break;
    }
  }
  return result;
}

}  // namespace plat::qt
