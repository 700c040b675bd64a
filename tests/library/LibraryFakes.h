#pragma once
// Test doubles of the views the library talks to: they record every call.
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "library/LibraryViews.h"

struct GroupRow {
  int32_t number;
  std::string resolution;
  uint64_t durationMs;
  uint64_t size;
  int icon;
  int64_t startTime;
};

struct FileRow {
  int32_t group;
  int32_t position;
  std::string folder;
  std::string name;
  uint32_t durationMs;
  uint64_t size;
  int icon;
  int64_t startTime;
};

class FakeGroupList : public IGroupListView {
 public:
  int AddGroupRow(int32_t number, const std::string& resolution, uint64_t durationMs, uint64_t size, int iconIndex,
                  int64_t startTime) override {
    rows.push_back({number, resolution, durationMs, size, iconIndex, startTime});
    return 1;
  }
  void DeleteAllRows() override {
    rows.clear();
    highlighted.clear();
    ++deleteAllCalls;
  }
  void SetRowHighlighted(int row, bool on) override {
    if (on)
      highlighted.insert(row);
    else
      highlighted.erase(row);
    ++highlightCalls;
  }
  void EnsureRowVisible(int row) override { visible.push_back(row); }
  bool IsRowChecked(int row) const override { return checked.count(row) != 0; }

  std::vector<GroupRow> rows;
  std::set<int> highlighted;
  std::vector<int> visible;
  std::set<int> checked;
  int deleteAllCalls = 0;
  int highlightCalls = 0;
};

class FakeFileList : public IFileListView {
 public:
  int AddFileRow(int32_t group, int32_t position, const std::string& folderText, const std::string& name,
                 uint32_t durationMs, uint64_t size, int iconIndex, int64_t startTime) override {
    rows.push_back({group, position, folderText, name, durationMs, size, iconIndex, startTime});
    return 1;
  }
  void DeleteAllRows() override {
    rows.clear();
    highlighted.clear();
    ++deleteAllCalls;
  }
  void SetRowHighlighted(int row, bool on) override {
    if (on)
      highlighted.insert(row);
    else
      highlighted.erase(row);
    ++highlightCalls;
  }
  void EnsureRowVisible(int row) override { visible.push_back(row); }

  std::vector<FileRow> rows;
  std::set<int> highlighted;
  std::vector<int> visible;
  int deleteAllCalls = 0;
  int highlightCalls = 0;
};

class FakeOwner : public CopyFeedback {
 public:
  bool ConfirmOverwrite(const std::string& destinationPath) override {
    questions.push_back(destinationPath);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowCopyProgress(int percent, const std::string& text) override {
    percents.push_back(percent);
    texts.push_back(text);
    shown = true;
  }
  void HideCopyProgress() override {
    shown = false;
    ++hides;
  }

  std::deque<bool> answers;  // empty: OK
  std::vector<std::string> questions;
  std::vector<int> percents;
  std::vector<std::string> texts;
  bool shown = false;
  int hides = 0;
};
