#pragma once
// How the core (recording, settings, track and export functions, tools)
// reports failure. There is one convention:
//
// - A function that can fail returns `bool`: true when it did what it was
//   asked, false when it did not. A function that has nothing to do (no
//   checked group, an index that names no recording) also answers false.
// - When a caller may want to say why (a message box, a failure list, the
//   probe's JSON), the reason comes back in a last parameter `int& error`:
//   0 on success, else an errno value - the platform's own code where a
//   system call failed, a code of the same kind where the function itself
//   refuses (EINVAL: not a regular file, EIO: a copy came out short, EISDIR:
//   no file name). SafeCopyFile is the model.
// - A function that cannot fail returns void.
// - Nothing in the core prints or shows anything; the windows and the tools
//   turn a false into a message.
//
// Two boundaries keep the results their callers test:
// - the container readers (RecordingFile::ParseAvi, ParseMov, ScanMov)
//   return 0 on success and -1 on failure, with the reason in
//   FailureReason();
// - a repair returns a RepairResult that names the failed step.
