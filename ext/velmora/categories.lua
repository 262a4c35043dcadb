-- File categories: which kind of file a task fetches, by its name's
-- extension, and the subfolder of the download folder it goes to when the
-- user has sorting by category on.
local paths = require("velmora.paths")

local M = {}

-- In the order the filter shows them; "other" takes what no list names.
M.KEYS = { "video", "audio", "archives", "documents", "programs", "other" }

-- The settings key of each editable extension list, and its default.
M.SETTINGS = {
  video = { key = "catVideo", default = "mp4 mkv avi mov wmv flv webm m4v mpg mpeg ts rmvb 3gp" },
  audio = { key = "catAudio", default = "mp3 flac wav aac ogg m4a wma opus ape" },
  archives = { key = "catArchives", default = "zip rar 7z tar gz bz2 xz tgz zst iso" },
  documents = { key = "catDocuments", default = "pdf doc docx xls xlsx ppt pptx txt epub odt ods md csv" },
  programs = { key = "catPrograms", default = "exe msi deb rpm apk dmg appimage sh bin" },
}

-- parseList(text) -> array of lower-case extensions, or nil and the piece
-- that is not one. Pieces are separated by blanks or commas; a leading dot
-- is allowed (".mp4").
function M.parseList(text)
  local out = {}
  for piece in tostring(text or ""):gmatch("[^%s,]+") do
    local ext = piece:gsub("^%.", ""):lower()
    if not ext:match("^[%w]+$") or #ext > 16 then return nil, piece end
    out[#out + 1] = ext
  end
  return out
end

-- lists(settings) -> extension -> category key, from the user's lists (the
-- default list for one that does not parse). The first list naming an
-- extension wins.
function M.lists(settings)
  local byExt = {}
  for _, key in ipairs(M.KEYS) do
    local setting = M.SETTINGS[key]
    if setting then
      local exts = M.parseList(settings and settings[setting.key] or setting.default)
        or M.parseList(setting.default)
      for _, ext in ipairs(exts) do
        if not byExt[ext] then byExt[ext] = key end
      end
    end
  end
  return byExt
end

-- of(name, byExt) -> the category key of a file name, by its last
-- extension.
function M.of(name, byExt)
  local ext = tostring(name or ""):match("%.([^%./\\]+)$")
  return ext and byExt[ext:lower()] or "other"
end

-- folder(base, key, names) -> the subfolder for a category; `names` maps
-- each key to its folder name as the user sees it.
function M.folder(base, key, names)
  return paths.join(base, names[key] or names.other)
end

return M
