#pragma once
// Owner of one dlopen handle: the library is closed when the owner goes.
#include <string>

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary() { Close(); }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads the library by name (the loader's usual search when the name has
  // no slash). Returns false and stays closed when it cannot be loaded.
  bool Open(const std::string& name);
  void Close();

  void* Handle() const { return m_handle; }
  bool IsOpen() const { return m_handle != nullptr; }

 private:
  void* m_handle = nullptr;
};
