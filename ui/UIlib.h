// Everything a window of the application needs from the UI library: the
// window and paint manager, the layout builder with its control factory,
// the control classes, the message box and the script bindings.
#ifndef VELMORA_UI_UILIB_H
#define VELMORA_UI_UILIB_H

#include "ui/UIDefs.h"
#include "ui/bindings/ScriptBindings.h"
#include "ui/controls/CButtonUI.h"
#include "ui/controls/CContainerUI.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CDialogBuilder.h"
#include "ui/controls/CEditUI.h"
#include "ui/controls/CLabelUI.h"
#include "ui/controls/CLinearLayoutUI.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/CMenuElementUI.h"
#include "ui/controls/CMessageBox.h"
#include "ui/controls/COptionUI.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/CProgressUI.h"
#include "ui/controls/CTabLayoutUI.h"
#include "ui/controls/CTreeViewUI.h"
#include "ui/controls/UIEvents.h"
#include "ui/window/CWindowWnd.h"
#include "ui/window/WindowApi.h"

#endif
