#pragma once
// The harsh moments of the playing trip: a small window beside the main
// window listing each event (type, time, peak, speed) in the user's language,
// with a line for each recording without usable G-sensor data. Choosing an
// event (a click or Enter) asks the main window to play it. CEventsButton is
// the button on the G-sensor strip that opens the list.
#include <QColor>
#include <QDialog>
#include <QToolButton>
#include <string>
#include <vector>

#include "events/DrivingEvents.h"

class QTreeWidget;
class QTreeWidgetItem;

// Colour of a type's marks and list entries.
QColor EventColor(DrivingEventType type);
// The type's name in the current language.
QString EventTypeText(DrivingEventType type);

class CEventListDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEventListDlg(QWidget* parent = nullptr);
  ~CEventListDlg() override;

  // The trip's events; `names[i]` is the file name of the trip's i-th recording.
  void SetTrip(const std::vector<RecordingEvents>& trip, const std::vector<std::string>& names);
  // Texts again in the current language.
  void Relabel();
  // Marks the event being played (index in trip order; -1: none).
  void SetCurrentEvent(int index);

  QTreeWidget* List() const { return m_list; }

 signals:
  // The user chose the event at this index (trip order).
  void EventChosen(int index);

 private:
  void Fill();
  void OnItemChosen(QTreeWidgetItem* item);

  QTreeWidget* m_list = nullptr;
  std::vector<RecordingEvents> m_trip;
  std::vector<std::string> m_names;
};

// A small button at the top right corner of its parent (the G-sensor strip),
// "Events (n)", that keeps its place when the parent is resized.
class CEventsButton : public QToolButton {
  Q_OBJECT

 public:
  explicit CEventsButton(QWidget* parent);
  void SetCount(int count);
  void Relabel();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();
  int m_count = 0;
};
