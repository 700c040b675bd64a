#pragma once
// Runs a test in a fresh current directory, where the settings file lives,
// with a settings object built afresh for it.
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "CSettings.h"

class ScopedSettingsDir {
 public:
  ScopedSettingsDir() {
    char buffer[4096] = {};
    if (::getcwd(buffer, sizeof buffer) != nullptr) m_previous = buffer;
    if (::chdir(QFile::encodeName(m_dir.path()).constData()) != 0) m_ok = false;
    CSettings::ResetForTesting();
  }
  ~ScopedSettingsDir() {
    CSettings::ResetForTesting();
    if (!m_previous.empty() && ::chdir(m_previous.c_str()) != 0) {
    }
  }
  ScopedSettingsDir(const ScopedSettingsDir&) = delete;
  ScopedSettingsDir& operator=(const ScopedSettingsDir&) = delete;

  bool ok() const { return m_ok && m_dir.isValid(); }
  QString path() const { return m_dir.path(); }
  QString IniPath() const { return m_dir.path() + "/KTR-XM_DireV.ini"; }
  bool IniExists() const { return QFile::exists(IniPath()); }
  QByteArray IniText() const {
    QFile file(IniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void WriteIni(const QByteArray& text) const {
    QFile file(IniPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
  }

 private:
  QTemporaryDir m_dir;
  std::string m_previous;
  bool m_ok = true;
};
