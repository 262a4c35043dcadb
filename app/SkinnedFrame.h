// The frame of a window that draws all of itself from its skin: rounded
// corners clipped by a region, and no frame or caption from the system.
#ifndef VELMORA_APP_SKINNEDFRAME_H
#define VELMORA_APP_SKINNEDFRAME_H

#include <optional>

#include "ui/UIlib.h"

// Clips `hwnd` to the round corners the skin asks for; left alone while
// minimised or when the skin has square corners.
void ApplyRoundCorners(HWND hwnd, const CPaintManagerUI& paintManager, WPARAM sizeKind);

// The answer to a non-client message the skin replaces (calculating and
// painting the frame, showing it active); nothing for any other message.
std::optional<LRESULT> SkinnedFrameAnswer(HWND hwnd, UINT message, WPARAM wParam);

#endif
