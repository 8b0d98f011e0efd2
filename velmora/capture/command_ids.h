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
