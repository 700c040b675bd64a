#pragma once
// Control ids of the main window. The numbers are what the buttons report as
// their command ids and what the layout and the commands address them by.
enum TrkControlId : int {
  IDC_OPEN = 1001,
  IDC_VIDEO = 1002,
  IDC_GSENSOR = 1003,
  IDC_MAP_STATIC = 1004,
  IDC_SAVE = 1005,
  IDC_SNAP = 1006,
  IDC_VIDEO_BG = 1007,
  IDC_POSITION_SLIDER = 1008,
  IDC_GPS_ICON = 1010,
  IDC_DEL = 1013,
  IDC_CONF = 1014,
  IDC_PLAY = 1015,
  IDC_STOP = 1016,
  IDC_FAST = 1017,
  IDC_SLOW = 1018,
  IDC_VOLUME_SLIDER = 1019,
  IDC_LOOP = 1021,
  IDC_FLIP = 1022,
  IDC_KML = 1023,
  IDC_MAP = 1024,
  IDC_GSR = 1025,
  IDC_LOCK = 1026,
  IDC_FILE_LIST = 1027,
  IDC_GROUP_LIST = 1028,
  IDC_MINIMIZE = 1044,
  IDC_CLOSE = 1045,
  IDC_VOLUME = 1046,
  IDC_CAR = 1050,
  IDC_SIZE_S = 1052,
  IDC_COMPASS = 1055,
  IDC_SPEED = 1056,
  IDC_SIZE_M = 1059,
  IDC_SIZE_L = 1060,
  IDC_PROGRESS_BOARD = 1061,
  IDC_BANNER = 1064,
  IDC_MAXIMIZE = 4,
  IDC_ABOUT = 57670,
};

// Commands that do not come from a control.
constexpr int IDM_ABOUTBOX = 16;  // About entry of the title area's menu
constexpr int IDM_CONFIG = 32;    // its configuration entry (the hidden Conf button's command)
