-- Static checks of the default scripts (Debian's lua-check; the tests run
-- `luacheck ext/`). The scripts are Lua 5.1 and live with the host's
-- globals: the bindings it registers, the values it sets, and the
-- callbacks and globals the scripts define for it to call and read.
std = "lua51"
include_files = { "ext/**/*.lua", "ext/system.dll" }
max_line_length = 120
-- A method may leave its object unused; the colon keeps the calls alike.
self = false

-- What the host registers. Only the door to the host (ext/velmora/host.lua)
-- may name them; it looks them up by name, so no other module is given
-- these, and a module that reaches for one directly is reported.
local bindings = {
  -- the window, its controls and the desktop (ui/bindings)
  "ui_acceptDrops", "ui_applyLanguage", "ui_childAt", "ui_childCount", "ui_desktopNotify", "ui_findControl",
  "ui_findWindow", "ui_getBkImage", "ui_getClass", "ui_getClipboardText",
  "ui_getCurSel", "ui_getImage", "ui_getManager", "ui_getName", "ui_getParent", "ui_getText",
  "ui_getToolTip", "ui_getUserData", "ui_getValue", "ui_getWindow", "ui_hideWindow", "ui_isEnabled",
  "ui_isSelected", "ui_isVisible", "ui_listAddRow", "ui_listClear", "ui_listClearSelection",
  "ui_listCount", "ui_listFindRowData", "ui_listGetCell", "ui_listGetColumnWidths", "ui_listGetRowData",
  "ui_listGetSel",
  "ui_listGetSelected", "ui_listGetSelectedData", "ui_listInsertRow", "ui_listIsSelected",
  "ui_listRemoveRow", "ui_listRemoveSelected", "ui_listSelect", "ui_listSelectAll",
  "ui_listSetCell", "ui_listSetColumnWidth", "ui_listSetMultiSelect", "ui_listSetRowData",
  "ui_listSetRowToolTip", "ui_listSetSelected",
  "ui_listSetSortMark", "ui_listSort", "ui_messageBox", "ui_minimizeWindow", "ui_notifyLParam",
  "ui_notifyPoint", "ui_notifySender", "ui_notifyText", "ui_notifyType", "ui_notifyWParam",
  "ui_openUrl", "ui_postMessage", "ui_selectTab", "ui_sendMessage", "ui_sendNotify",
  "ui_setAttribute", "ui_setBkImage", "ui_setClipboardText", "ui_setEnabled", "ui_setFocus",
  "ui_setRange", "ui_setSelected", "ui_setText", "ui_setToolTip", "ui_setUserData", "ui_setValue",
  "ui_setVisible", "ui_setWindowText", "ui_showWindow", "ui_trayAdd", "ui_trayRemove",
  "ui_traySetTip", "ui_treeAddNode", "ui_treeExpand",
  -- dialogs from skin layouts, the folder chooser, menus, the version (app/)
  "ui_chooseFolder", "ui_dialogManager", "ui_endDialog", "ui_popupMenu", "ui_productVersion", "ui_runDialog",
  -- open-at-login, starting a program (app/)
  "desktop_isOpenAtLogin", "desktop_run", "desktop_setOpenAtLogin",
  -- the download engine (dl/)
  "dl_add", "dl_info", "dl_list", "dl_pause", "dl_remove", "dl_restart", "dl_setConnections", "dl_setLimit",
  "dl_setMaxActive", "dl_setProxy", "dl_setStallTimeout", "dl_setTaskLimit", "dl_setUrl", "dl_start",
  "dl_suggestName", "dl_wait",
  -- one-off fetches (dl/)
  "http_get",
  -- the database (db/)
  "sqlite_dbDML", "sqlite_dbScalar", "sqlite_dbbeginTransaction", "sqlite_dbclose",
  "sqlite_dbcommitTransaction", "sqlite_dbcompileStatement", "sqlite_dbdel", "sqlite_dbgetTable",
  "sqlite_dblastRowId", "sqlite_dbnew", "sqlite_dbopen", "sqlite_dbquery", "sqlite_dbtableExists",
  "sqlite_qdel", "sqlite_qeof", "sqlite_qfieldDataType", "sqlite_qfieldDeclType",
  "sqlite_qfieldIndex", "sqlite_qfieldIsNull", "sqlite_qfieldName", "sqlite_qfieldValue",
  "sqlite_qfinalize", "sqlite_qgetBlobField", "sqlite_qgetFloatField", "sqlite_qgetIntField",
  "sqlite_qgetStringField", "sqlite_qnew", "sqlite_qnextRow", "sqlite_qnumFields", "sqlite_sDML",
  "sqlite_sQuery", "sqlite_sbindBlob", "sqlite_sbindFloat", "sqlite_sbindInt", "sqlite_sbindNull",
  "sqlite_sbindString", "sqlite_sdel", "sqlite_sfinalize", "sqlite_snew", "sqlite_sreset",
  "sqlite_tdel", "sqlite_tfieldIsNull", "sqlite_tfieldName", "sqlite_tfieldValue",
  "sqlite_tfinalize", "sqlite_tgetFloatField", "sqlite_tgetIntField", "sqlite_tgetStringField",
  "sqlite_tnew", "sqlite_tnumFields", "sqlite_tnumRows", "sqlite_tsetRow",
  -- XML documents (xml/)
  "xml_addAttrib", "xml_addChildElem", "xml_addElem", "xml_del", "xml_findChildElem",
  "xml_findElem", "xml_getAttrib", "xml_getAttribName", "xml_getChildAttrib", "xml_getChildData",
  "xml_getChildTagName", "xml_getData", "xml_getTagName", "xml_getdoc", "xml_insertChildElem",
  "xml_insertElem", "xml_intoElem", "xml_load", "xml_new", "xml_outElem", "xml_removeChildElem",
  "xml_removeElem", "xml_resetChildPos", "xml_resetMainPos", "xml_resetPos", "xml_save",
  "xml_setAttrib", "xml_setChildAttrib", "xml_setChildData", "xml_setData", "xml_setdoc",
  -- archive extraction (archive/)
  "zip_cancel", "zip_del", "zip_error", "zip_extract", "zip_running", "zip_state",
  -- remote control (rpc/)
  "rpc_notify", "rpc_randomHex", "rpc_running", "rpc_serve", "rpc_start", "rpc_stop",
  -- the file system and its names (util/)
  "fs_exists", "fs_freeSpace", "fs_fromNative", "fs_isDir", "fs_makeDirs", "fs_toNative",
  "inputDlg",
}

-- The values the host sets before the first script runs.
local hostValues = { "curpath", "scriptPath", "ext", "startparam", "headless" }

-- What the first script defines for the host: the callbacks it calls by
-- name and the globals it reads.
local callbacks = {
  "SetDownloadCenterTitle", "SetLocalServerPath", "InitSystemControl", "InitSystem", "SetHttpConfigStatus",
  "SetDownloacCenterConfig", "InitThreadPathList", "InitSerchType", "SetSavePathDir", "InitSavePathList",
  "SetFileSavePath", "OnClickEvent", "OnItemClickEvent", "OnTabSelectEvent", "OnOtherEvent", "OnMessage",
  "OnTimer", "queryudata", "insertTodb", "OnWindowMessage", "QuitSystem", "QuitControl",
  "OnRemoteCalls", "ReloadSettings",
  "DownloadThreadCount", "freeThreadCount", "UnzipCount", "BookCoverPath", "CloseToTray",
}

-- The host calls every callback with its fixed arguments, used or not.
files["ext/system.dll"] = { globals = callbacks, read_globals = hostValues, unused_args = false }
files["ext/velmora/host.lua"] = { read_globals = bindings }
