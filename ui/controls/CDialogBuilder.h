// Builds a control tree from a layout in the skin.
//
// A layout is an XML document. Its root element is either a `Window`, whose
// attributes set the window's frame values on the paint manager (size,
// sizebox, caption, roundcorner, mininfo, maxinfo) and whose `Font` and
// `Default` children declare fonts and per-class default attributes ahead of
// the one root control; or a control element itself. Every element names a
// control class ("Button", "VerticalLayout", ...); the callback is asked
// first for each one and the builder's own classes serve when it gives none.
//
// A layout with errors still gives what could be built: unknown classes and
// misplaced elements are left out (with their children), a document that is
// not well formed is built as far as its elements were found, and each
// defect is reported to the diagnostic hook. Only a missing layout or one
// without any control gives no root.
#ifndef VELMORA_UI_CONTROLS_CDIALOGBUILDER_H
#define VELMORA_UI_CONTROLS_CDIALOGBUILDER_H

#include <string>
#include <string_view>

class CControlUI;
class CPaintManagerUI;

class IDialogBuilderCallback {
 public:
  // A new control for the class, or null to let the builder create it.
  virtual CControlUI* CreateControl(std::u16string_view className) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

class CDialogBuilder {
 public:
  // `layout` names a file in the skin. `type` is accepted for the callers'
  // sake and unused. With a `manager`, the window values are applied to it
  // and the tree belongs to it; with a container `parent`, the root is added
  // to it. Returns the root control (owned by the caller until attached).
  CControlUI* Create(std::u16string_view layout, const char16_t* type = nullptr,
                     IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  // The same from layout text (tests, generated layouts).
  CControlUI* CreateFromText(std::u16string_view xml, IDialogBuilderCallback* callback = nullptr,
                             CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);

  // A control of one of the builder's own classes, or null.
  static CControlUI* CreateBuiltin(std::u16string_view className);
};

#endif
