#pragma once

namespace velmora {

// Command numbers. The document handles 32771..32795.
constexpr int ID_START_STOP = 32771;
constexpr int ID_CAPTURE_NEXT = 32772;
constexpr int ID_AUTO_RANGE_Y = 32773;
constexpr int ID_TOGGLE_SCOPE = 32774;
constexpr int ID_TOGGLE_DUAL = 32775;
constexpr int ID_TOGGLE_AVERAGE = 32776;
constexpr int ID_TIME_WINDOW = 32778;
constexpr int ID_SAMPLING_RATE = 32779;
constexpr int ID_RESET_VIEW = 32780;
constexpr int ID_REVERSE_INPUTS = 32782;
constexpr int ID_WAVEFORM_FIRST = 32786;  // "Silent", F1
constexpr int ID_WAVEFORM_LAST = 32793;   // the sweep, F8
constexpr int ID_FREQUENCY = 32794;
constexpr int ID_ZOOM_OUT_Y = 32795;
constexpr int ID_DOCUMENT_FIRST = 32771;
constexpr int ID_DOCUMENT_LAST = 32795;

// The measurement's choices and its recording, also the document's.
constexpr int ID_RECORD_WAV = 32800;
constexpr int ID_WINDOW_FIRST = 32801;  // one per window function, in order
constexpr int ID_WINDOW_LAST = 32804;
constexpr int ID_SCALE_MILLIVOLTS = 32805;
constexpr int ID_SCALE_DBV = 32806;
constexpr int ID_SCALE_DBFS = 32807;
constexpr int ID_RATIO_DB = 32808;
constexpr int ID_LOG_FREQUENCY = 32809;
constexpr int ID_ESTIMATE_RATIO = 32810;
constexpr int ID_ESTIMATE_H1 = 32811;
constexpr int ID_SHOW_THD = 32812;
// The toolbar's buttons: both scales in dB or both linear; H1 or the ratio
// average.
constexpr int ID_TOGGLE_DB = 32813;
constexpr int ID_TOGGLE_H1 = 32814;
constexpr int ID_MEASUREMENT_FIRST = 32800;
constexpr int ID_MEASUREMENT_LAST = 32814;

// Save data, like Copy, is the view's.
constexpr int ID_SAVE_DATA = 32820;

// The framework's own commands.
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;

}  // namespace velmora
