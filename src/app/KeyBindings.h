#pragma once
// The keys of the main window, as players people already use take them:
// what each key does with which modifiers.
#include <Qt>
#include <cstdint>

enum class KeyAction {
  None,
  PlayPause,
  FullScreen,
  FullScreenOnVideo,  // Enter: only over the video, or in full screen
  Escape,             // leaves full screen, otherwise swallowed
  SeekBack,
  SeekForward,
  FrameBack,
  FrameForward,
  VolumeUp,
  VolumeDown,
  Mute,
  Slower,
  Faster,
  Start,
  End,
  Previous,
  Next,
  Open,
  Snapshot,
  Close,
  NextEvent,
  PreviousEvent,
  ClipStart,  // marks the clip's start at the current moment
  ClipEnd,
  ClearClipStart,
  ClearClipEnd,
  Clip,  // the clip dialog
};

struct KeyBinding {
  int key = 0;
  Qt::KeyboardModifiers modifiers;
  KeyAction action = KeyAction::None;
  int64_t seekMs = 0;    // the arrows' step
  bool repeats = false;  // a held key acts again with every repeat
};

// The binding of a key press; action None when the key is not bound. Keypad
// and group-switch modifiers do not count; punctuation keys take Shift as
// well, since some keyboards need it to type them.
KeyBinding FindKeyBinding(int key, Qt::KeyboardModifiers modifiers);
