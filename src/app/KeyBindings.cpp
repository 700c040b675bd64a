#include "app/KeyBindings.h"

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

constexpr int64_t kSeekMs = 5000;
constexpr int64_t kSmallSeekMs = 1000;
constexpr int64_t kLargeSeekMs = 30000;

const KeyBinding kBindings[] = {
    {Qt::Key_Space, kNone, KeyAction::PlayPause, 0, false},
    {Qt::Key_F, kNone, KeyAction::FullScreen, 0, false},
    {Qt::Key_Return, kNone, KeyAction::FullScreenOnVideo, 0, false},
    {Qt::Key_Enter, kNone, KeyAction::FullScreenOnVideo, 0, false},
    {Qt::Key_Escape, kNone, KeyAction::Escape, 0, false},
    {Qt::Key_Left, kNone, KeyAction::SeekBack, kSeekMs, true},
    {Qt::Key_Right, kNone, KeyAction::SeekForward, kSeekMs, true},
    {Qt::Key_Left, kShift, KeyAction::SeekBack, kSmallSeekMs, true},
    {Qt::Key_Right, kShift, KeyAction::SeekForward, kSmallSeekMs, true},
    {Qt::Key_Left, kCtrl, KeyAction::SeekBack, kLargeSeekMs, true},
    {Qt::Key_Right, kCtrl, KeyAction::SeekForward, kLargeSeekMs, true},
    {Qt::Key_Comma, kNone, KeyAction::FrameBack, 0, true},
    {Qt::Key_Period, kNone, KeyAction::FrameForward, 0, true},
    {Qt::Key_Up, kNone, KeyAction::VolumeUp, 0, true},
    {Qt::Key_Down, kNone, KeyAction::VolumeDown, 0, true},
    {Qt::Key_M, kNone, KeyAction::Mute, 0, false},
    {Qt::Key_BracketLeft, kNone, KeyAction::Slower, 0, true},
    {Qt::Key_BracketRight, kNone, KeyAction::Faster, 0, true},
    {Qt::Key_Home, kNone, KeyAction::Start, 0, false},
    {Qt::Key_End, kNone, KeyAction::End, 0, false},
    {Qt::Key_PageUp, kNone, KeyAction::Previous, 0, false},
    {Qt::Key_PageDown, kNone, KeyAction::Next, 0, false},
    {Qt::Key_O, kCtrl, KeyAction::Open, 0, false},
    {Qt::Key_S, kCtrl, KeyAction::Snapshot, 0, false},
    {Qt::Key_Q, kCtrl, KeyAction::Close, 0, false},
    {Qt::Key_N, kNone, KeyAction::NextEvent, 0, false},
    {Qt::Key_N, kShift, KeyAction::PreviousEvent, 0, false},
    {Qt::Key_I, kNone, KeyAction::ClipStart, 0, false},
    {Qt::Key_O, kNone, KeyAction::ClipEnd, 0, false},
    {Qt::Key_I, kShift, KeyAction::ClearClipStart, 0, false},
    {Qt::Key_O, kShift, KeyAction::ClearClipEnd, 0, false},
    {Qt::Key_E, kCtrl, KeyAction::Clip, 0, false},
};

bool IsPunctuation(int key) {
  return key == Qt::Key_Comma || key == Qt::Key_Period || key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight;
}

}  // namespace

KeyBinding FindKeyBinding(int key, Qt::KeyboardModifiers modifiers) {
  Qt::KeyboardModifiers held =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (IsPunctuation(key)) held &= ~Qt::KeyboardModifiers(Qt::ShiftModifier);
  for (const KeyBinding& binding : kBindings) {
    if (binding.key == key && binding.modifiers == held) return binding;
  }
  return KeyBinding{};
}
