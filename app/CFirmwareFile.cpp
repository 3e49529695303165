#include "app/CFirmwareFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {
constexpr qsizetype kMinNameLength = 7;  // "fw" + one character + ".wav"
}

bool CFirmwareFile::MatchesPattern(const QString& strName) {
  return strName.size() >= 6 && strName.startsWith(QStringLiteral("fw"), Qt::CaseInsensitive) &&
         strName.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive);
}

std::optional<QString> CFirmwareFile::Version(const QString& strName) {
  if (strName.size() < kMinNameLength) return std::nullopt;
  return strName.mid(3, strName.size() - kMinNameLength);
}

QString CFirmwareFile::Find(const QString& strFolder) {
  if (strFolder.isEmpty()) return {};
  QDir dir(strFolder);
  // No QDir::Hidden and no QDir::System: hidden files, sockets, pipes and
  // devices stay out, as do folders.
  const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
  QStringList names;
  for (const QFileInfo& info : entries) {
    const QString strName = info.fileName();
    if (info.isFile() && !info.isHidden() && MatchesPattern(strName) && Version(strName)) names.push_back(strName);
  }
  if (names.isEmpty()) return {};
  // Names equal but for case are ordered by their code units so that the
  // choice never depends on the order the file system lists them in.
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int nCmp = QString::compare(a, b, Qt::CaseInsensitive);
    return nCmp != 0 ? nCmp < 0 : a < b;
  });
  return names.front();
}
