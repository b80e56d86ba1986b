// The updater window: created from its form (IDD_UPDATER), and the window operations the
// handlers use. Everything here runs on the GUI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "updater/state.h"

namespace morvane::updater {

// Creates the window and its controls hidden, runs OnUpdaterWindowCreated, then shows it centred.
// Returns the window, or null when it could not be created.
HWND LoadUpdaterWindow(HINSTANCE instance, UpdaterState& state);

// Runs the message loop until the window has been destroyed.
void RunMessageLoop(HWND window);

// Handles the messages already waiting, then returns. False when the window is gone afterwards.
bool HandleWaitingMessages(HWND window);

void SetTitle(HWND window, const std::wstring& title);
void SetGbkTitle(HWND window, std::string_view gbk);
void SetControlVisible(HWND window, int controlId, bool visible);
void SetButtonCaption(HWND window, int controlId, std::string_view gbk);
// Stores the position within 0..32767 and draws it within the bar's range 0..100.
void SetProgressPosition(UpdaterState& state, int64_t position);
int32_t ReadProgressPosition(const UpdaterState& state);
void SetTimerPeriod(UpdaterState& state, int32_t milliseconds);
// Queues the close: the window is destroyed by the message loop, after the running handler.
void RequestClose(HWND window);

}  // namespace morvane::updater
