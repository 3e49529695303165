#include "app/CSingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

CSingleInstance::CSingleInstance(const QString& strProgramPath, const QString& strLockFolder) {
  QString strFolder = strLockFolder;
  if (strFolder.isEmpty()) strFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (strFolder.isEmpty()) strFolder = QDir::tempPath();
  QFileInfo program(strProgramPath);
  const QString strCanonical = program.canonicalFilePath().isEmpty() ? program.absoluteFilePath()
                                                                     : program.canonicalFilePath();
  const QByteArray hash = QCryptographicHash::hash(strCanonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  m_strLockPath = QDir(strFolder).filePath(program.fileName() + QLatin1Char('-') + QString::fromLatin1(hash) +
                                           QStringLiteral(".lock"));
  m_pLock = std::make_unique<QLockFile>(m_strLockPath);
  // Never judge a lock by its age: a burn may run for a long time. A lock
  // whose owner is gone is still recognised as stale.
  m_pLock->setStaleLockTime(0);
}

bool CSingleInstance::TryAcquire() {
  if (m_pLock->isLocked()) return true;
  return m_pLock->tryLock(0);
}

bool CSingleInstance::IsHeld() const { return m_pLock->isLocked(); }
