// One running copy per program file: a lock file in the user's runtime
// folder, named after the program's path. The lock belongs to the process,
// so a copy that was killed leaves a lock that the next start takes over.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

class CSingleInstance {
 public:
  // strProgramPath: the program file that identifies "this program".
  // strLockFolder: where the lock lies; the runtime folder when empty.
  explicit CSingleInstance(const QString& strProgramPath, const QString& strLockFolder = {});

  // True when this process now holds the lock (no other copy runs).
  bool TryAcquire();
  bool IsHeld() const;
  const QString& LockPath() const { return m_strLockPath; }

 private:
  QString m_strLockPath;
  std::unique_ptr<QLockFile> m_pLock;
};
