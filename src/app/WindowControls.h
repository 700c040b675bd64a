#pragma once
// The main window's child controls, built together with the window as their
// parent and their control ids, in the order the window's tab and paint
// order have always had (destroyed in reverse order).
#include <QLabel>
#include <QWidget>

#include "controls/CGdipButton.h"
#include "controls/CMySliderControl.h"
#include "controls/CTrkFileListCtrl.h"
#include "controls/CTrkGroupListCtrl.h"
#include "controls/CVideoSlider.h"
#include "views/CGSensorCtrl.h"
#include "views/CPngCompassStatic.h"
#include "views/CPngStatic.h"
#include "views/CSpeedLabelStatic.h"
#include "views/CStatusBoardStatic.h"
#include "views/CVideoStatic.h"

struct WindowControls {
  explicit WindowControls(QWidget* window);
  WindowControls(const WindowControls&) = delete;
  WindowControls& operator=(const WindowControls&) = delete;

  CGdipButton m_play;
  CGdipButton m_stop;
  CGdipButton m_slow;
  CGdipButton m_fast;
  CGdipButton m_conf;
  CGdipButton m_del;
  CGdipButton m_save;
  CGdipButton m_snap;
  CGdipButton m_open;
  CGdipButton m_loop;
  CGdipButton m_flip;
  CGdipButton m_kml;
  CGdipButton m_mapButton;
  CGdipButton m_gsr;
  CGdipButton m_lock;
  CGSensorCtrl m_gsensor;
  CVideoStatic m_video;
  CVideoSlider m_positionSlider;
  CMySliderControl m_volumeSlider;
  CGdipButton m_close;
  CGdipButton m_maximize;
  CGdipButton m_minimize;
  CGdipButton m_about;
  CGdipButton m_volume;
  CPngStatic m_gpsIcon;
  CPngStatic m_car;
  CPngStatic m_banner;
  CTrkGroupListCtrl m_groupList;
  CTrkFileListCtrl m_fileList;
  CPngCompassStatic m_compass;
  CSpeedLabelStatic m_speed;
  CGdipButton m_sizeS;
  CGdipButton m_sizeM;
  CGdipButton m_sizeL;
  CStatusBoardStatic m_progressBoard;
  CVideoStaticBg m_videoBg;
  // The template's "MAP" static: the map host takes its place.
  QLabel m_mapPlaceholder;
};
