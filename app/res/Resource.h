#pragma once

#include "platform/WinTypes.h"

// Resource ids of the program: dialogs, menus, strings, icons and the controls of its windows.

// Dialogs
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_PADORA_DIALOG = 5001;
inline constexpr int IDD_LOADPROC_DIALOG = 5002;

// Frame resources (icon, menu, accelerators and document string share the id) and the main window's menu
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_MAINDLG_MENU = 129;

// The version line, shown by the about box and printed by --version.
inline constexpr const char* kVersionText = "Padora Version 2.0";

// Strings
inline constexpr UINT IDP_OLE_INIT_FAILED = 100;
inline constexpr UINT IDS_DOCUMENT = 128;
inline constexpr UINT IDS_GROUP_FILE_FILTER = 5501;
inline constexpr UINT IDS_APP_TITLE = 57344;

// Commands
inline constexpr UINT ID_FILE_NEW = 57600;
inline constexpr UINT ID_FILE_OPEN = 57601;
inline constexpr UINT ID_FILE_SAVE = 57603;
inline constexpr UINT ID_FILE_SAVE_AS = 57604;
inline constexpr UINT ID_FILE_COLLECT = 10021; // the set and its sounds copied into one folder
inline constexpr UINT ID_APP_ABOUT = 57664;
inline constexpr UINT ID_APP_EXIT = 57665;
inline constexpr UINT ID_GROUP_EDIT = 10001;
inline constexpr UINT ID_OPTION = 10011;
inline constexpr UINT ID_WEB_REMOTE = 10012; // shows the browser remote's address and pairing code

// Controls of the main sampler window. Per-channel ids run from the first id over channels 0 to 9.
inline constexpr int IDC_TAB_GROUP = 6201;
inline constexpr int IDC_PAN1 = 6211;
inline constexpr int IDC_SPEED1 = 6221;
inline constexpr int IDC_LIST_MONITOR = 6501;
inline constexpr int IDC_PAD1 = 6601;
inline constexpr int IDC_ALLSTOP = 6611;
inline constexpr int IDC_REPEAT1 = 6701;
inline constexpr int IDC_FADEIN1 = 6711;
inline constexpr int IDC_FADEOUT1 = 6721;
inline constexpr int IDC_FADER1 = 7001;
inline constexpr int IDC_MASTER = 7011;

// Controls and messages of the loading dialog.
inline constexpr int IDC_LOADPROC_ICON = 6101;
inline constexpr int IDC_LOADPROC_PROGRESS = 7101;
inline constexpr UINT IDC_LOADPROC_START = 7011; // command the dialog posts to itself to start loading
inline constexpr UINT WM_LOADPROC_END = 7012;    // the loading worker has asked for every channel
// Sent by the loading worker to the main window: load channel wParam (0 to 9) of the current group.
inline constexpr UINT WM_LOAD_CHANNEL = 7013;
// Editing dialogs: channel edit, group dialogs and the options dialog with its pages.
inline constexpr int IDD_GROUP_DLG = 5011;
inline constexpr int IDD_GROUP_EDIT = 5012;
inline constexpr int IDD_GROUP_INP = 5013;
inline constexpr int IDD_CHANNEL_EDIT = 5014;
inline constexpr int IDD_OPTION = 5021;
inline constexpr int IDD_OPTION_PAGE1 = 5022;
inline constexpr int IDD_OPTION_PAGE2 = 5023;
inline constexpr int IDD_OPTION_PAGE3 = 5024;
inline constexpr int IDD_OPTION_PAGE4 = 5025;
inline constexpr int IDD_OPTION_PAGE5 = 5026;
// The browser remote's address, pairing code and QR code, from the menu and the options page.
inline constexpr int IDD_WEB_REMOTE = 5031;

// Channel edit dialog
inline constexpr int IDC_CHEDIT_NUMBER = 6101;
inline constexpr int IDC_CHEDIT_TITLE = 6301;
inline constexpr int IDC_CHEDIT_FILE = 6302;
inline constexpr int IDC_CHEDIT_FADEIN = 6303;
inline constexpr int IDC_CHEDIT_FADEOUT = 6304;
inline constexpr int IDC_CHEDIT_BROWSE = 6601;
inline constexpr int IDC_CHEDIT_LOUDNESS = 6305; // check box: play at the target loudness
inline constexpr int IDC_CHEDIT_LUFS = 6102;     // the sound's measured loudness
inline constexpr int IDC_CHEDIT_OUTPUT = 6306;   // combo box: the output pair it plays on
inline constexpr int IDC_CHEDIT_AUDITION = 6602; // "試聴": the chosen file on the cue, again: stop

// Group dialog
inline constexpr int IDC_GROUPDLG_COMBO = 6401;
inline constexpr int IDC_GROUPDLG_LIST = 6501;
inline constexpr int IDC_GROUPDLG_GROUPS = 6601;
inline constexpr int IDC_GROUPDLG_EDIT = 6611;
inline constexpr int IDC_GROUPDLG_CLEAR = 6612;

// Group-list dialog
inline constexpr int IDC_GROUPEDIT_LIST = 6501;
inline constexpr int IDC_GROUPEDIT_ADD = 6601;
inline constexpr int IDC_GROUPEDIT_RENAME = 6602;
inline constexpr int IDC_GROUPEDIT_DELETE = 6603;
inline constexpr int IDC_GROUPEDIT_UP = 6604;
inline constexpr int IDC_GROUPEDIT_DOWN = 6605;

// Group name dialog
inline constexpr int IDC_GROUPINP_NAME = 6301;

// Options dialog and its pages
inline constexpr int IDC_OPTION_TAB = 6201;
inline constexpr int IDC_OPT1_KEY1 = 6301; // channel keys of pads 1 to 9 and 0: 6301 to 6310
inline constexpr int IDC_OPT1_MASTER = 6311;
inline constexpr int IDC_OPT2_STOP = 6301;
inline constexpr int IDC_OPT2_ALLSTOP = 6302;
inline constexpr int IDC_OPT2_GRPBACK = 6303;
inline constexpr int IDC_OPT2_GRPNEXT = 6304;
inline constexpr int IDC_OPT2_VOLUP = 6305;
inline constexpr int IDC_OPT2_VOLDOWN = 6306;
inline constexpr int IDC_OPT2_VOLVAL = 6321;
inline constexpr int IDC_OPT2_GETNOACTIVE = 6701;
inline constexpr int IDC_OPT2_GETNAKEY = 6711;
inline constexpr int IDC_OPT2_GETNASTOP = 6712;
inline constexpr int IDC_OPT2_GETNAGRP = 6713;
inline constexpr int IDC_OPT3_RELATIVE = 6701;
inline constexpr int IDC_OPT3_KEEPPLAYING = 6702;
inline constexpr int IDC_OPT3_LANGUAGE = 6703; // section "UI" key Language: auto, ja, en
inline constexpr int IDC_OPT4_DEVICE = 6801;
inline constexpr int IDC_OPT4_PERIOD = 6802;
inline constexpr int IDC_OPT4_TEST = 6803;
inline constexpr int IDC_OPT4_NOTE = 6804;
inline constexpr int IDC_OPT4_PAIRS = 6805;     // combo box: the stereo output pairs
inline constexpr int IDC_OPT4_CUEDEVICE = 6806; // combo box: the cue's second device, or none
inline constexpr int IDC_OPT4_CUEPAIR = 6807;   // combo box: the cue's pair of the output, or none
inline constexpr int IDC_OPT4_CUEKEY = 6808;    // combo box: the key that turns a pad into an audition
inline constexpr int IDC_OPT5_MIDI = 6301;      // the MIDI ports in use (static)
inline constexpr int IDC_OPT5_OSCPORT = 6302;
inline constexpr int IDC_OPT5_OSCBIND = 6303;
inline constexpr int IDC_OPT5_WEBPORT = 6311;
inline constexpr int IDC_OPT5_WEBBIND = 6312;
inline constexpr int IDC_OPT5_WEBURL = 6313;    // the browser remote's address and pairing code (static)
inline constexpr int IDC_OPT5_WEBREVOKE = 6314; // every paired browser must pair again
inline constexpr int IDC_OPT5_WEBQR = 6315;     // opens the address as a QR code
inline constexpr int IDC_OPT5_BINDING1 = 6401;  // what each MIDI role is bound to: 6401 to 6422 (static)
inline constexpr int IDC_OPT5_LEARN1 = 6601;    // the "学習" button of each role: 6601 to 6622

// Browser remote dialog
inline constexpr int IDC_WEBREMOTE_TEXT = 6701; // where to point the browser, and the code
inline constexpr int IDC_WEBREMOTE_QR = 6702;   // the address as a QR code (picture)

// The framework's data-exchange messages
inline constexpr UINT AFX_IDP_PARSE_INT = 0xF110;
inline constexpr UINT AFX_IDP_PARSE_REAL = 0xF111;
inline constexpr UINT AFX_IDP_PARSE_INT_RANGE = 0xF112;
inline constexpr UINT AFX_IDP_PARSE_REAL_RANGE = 0xF113;
inline constexpr UINT AFX_IDP_PARSE_STRING_SIZE = 0xF114;
