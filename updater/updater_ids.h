// Resource and control identifiers of the updater window (shared by updater.rc and the code).
#pragma once

#define IDD_UPDATER 100

// The controls, in the order of the form: 按钮3 later, 按钮2 stop, 按钮1 start, 进度条1 bar.
#define IDC_LATER_BUTTON 1003
#define IDC_STOP_BUTTON 1002
#define IDC_START_BUTTON 1001
#define IDC_PROGRESS_BAR 1010

// The timer 时钟1.
#define IDT_DOWNLOAD_TIMER 1
