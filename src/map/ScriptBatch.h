#pragma once
// Joins many script call texts into one script that runs them in order, each
// on its own (an error in one never stops the next). Runs of calls of the
// plain form name(number, ...) travel as JSON data for a small dispatcher in
// the same script: a page parses and runs tens of thousands of such calls far
// faster as data than as program text. Any other text runs as it stands,
// inside its own try block.
#include <cstddef>
#include <string>

class ScriptBatch {
 public:
  void Add(const std::string& code);
  bool Empty() const { return m_script.empty(); }
  // Bytes held so far (roughly the size of the script Take would give).
  std::size_t Size() const { return m_script.size(); }
  // The joined script; the batch is empty afterwards.
  std::string Take();
  void Clear();

 private:
  void CloseRun();
  void CloseList();

  // The script so far. While a data list is open it ends inside that list,
  // and while a run is open, inside the run's argument array: the arguments
  // go straight to their place, with no copying when the run closes.
  std::string m_script;
  bool m_listOpen = false;
  std::string m_runName;  // the open run: calls of one function with one arity
  std::size_t m_runArity = 0;
  std::size_t m_runCount = 0;
};
