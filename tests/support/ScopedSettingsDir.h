#pragma once
// Runs a test in a fresh current directory with a fresh configuration folder
// ($XDG_CONFIG_HOME), where the settings file lives when the current directory
// has none, and with a settings object built afresh for it.
#include <stdlib.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include "settings/CSettings.h"

class ScopedSettingsDir {
 public:
  ScopedSettingsDir() {
    char buffer[4096] = {};
    if (::getcwd(buffer, sizeof buffer) != nullptr) m_previous = buffer;
    if (::chdir(QFile::encodeName(m_dir.path()).constData()) != 0) m_ok = false;
    const char* config = ::getenv("XDG_CONFIG_HOME");
    m_hadConfigHome = config != nullptr;
    if (config) m_previousConfigHome = config;
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + "/config").constData(), 1);
    CSettings::ResetForTesting();
  }
  ~ScopedSettingsDir() {
    CSettings::ResetForTesting();
    if (m_hadConfigHome)
      ::setenv("XDG_CONFIG_HOME", m_previousConfigHome.c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    if (!m_previous.empty() && ::chdir(m_previous.c_str()) != 0) {
    }
  }
  ScopedSettingsDir(const ScopedSettingsDir&) = delete;
  ScopedSettingsDir& operator=(const ScopedSettingsDir&) = delete;

  bool ok() const { return m_ok && m_dir.isValid(); }
  QString path() const { return m_dir.path(); }
  QString IniPath() const { return m_dir.path() + "/config/trk-viewer/KTR-XM_DireV.ini"; }
  bool IniExists() const { return QFile::exists(IniPath()); }
  QByteArray IniText() const {
    QFile file(IniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void WriteIni(const QByteArray& text) const {
    QDir().mkpath(QFileInfo(IniPath()).path());
    QFile file(IniPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
  }

 private:
  QTemporaryDir m_dir;
  std::string m_previous;
  std::string m_previousConfigHome;
  bool m_hadConfigHome = false;
  bool m_ok = true;
};
