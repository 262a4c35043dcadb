// The extension's own decisions, free of browser APIs so they can be tested
// anywhere: whether a browser download goes to Velmora instead, and what
// the message to the native host holds.

export const NATIVE_HOST = 'app.velmora.native_host';

export const DEFAULT_SETTINGS = Object.freeze({
  takeover: false, // browser downloads stay the browser's unless asked
  extensions: 'zip rar 7z iso exe msi dmg deb rpm apk gz xz bz2 tar mp4 mkv avi mov mp3 flac pdf',
  minSizeMiB: 1,
});

const MIB = 1024 * 1024;

export function isWebUrl(text) {
  if (typeof text !== 'string') return false;
  try {
    const url = new URL(text);
    return url.protocol === 'http:' || url.protocol === 'https:';
  } catch {
    return false;
  }
}

// "zip, .ISO  exe;7z" -> Set {"zip", "iso", "exe", "7z"}
export function parseExtensionList(text) {
  const set = new Set();
  for (const word of String(text ?? '').toLowerCase().split(/[\s,;]+/)) {
    const bare = word.replace(/^\.+/, '');
    if (bare) set.add(bare);
  }
  return set;
}

// Last path component: "C:\\x\\a.zip" or "/home/u/a.zip" -> "a.zip".
export function baseName(path) {
  return String(path ?? '').split(/[\\/]/).pop();
}

// The file name a URL points at, decoded; "" when it names none.
export function fileNameFromUrl(text) {
  if (!isWebUrl(text)) return '';
  const last = new URL(text).pathname.split('/').pop();
  try {
    return decodeURIComponent(last);
  } catch {
    return last;
  }
}

export function extensionOf(name) {
  const dot = name.lastIndexOf('.');
  return dot > 0 && dot < name.length - 1 ? name.slice(dot + 1).toLowerCase() : '';
}

// Bytes the browser expects, or null when it does not know.
export function knownSize(item) {
  for (const size of [item.totalBytes, item.fileSize]) {
    if (Number.isSafeInteger(size) && size > 0) return size;
  }
  return null;
}

// Why a browser download does or does not go to Velmora: "take", or the
// reason it stays ("off", "scheme", "extension", "state", "private",
// "type", "small", "size-unknown"). Only "size-unknown" is a download the
// user asked Velmora to have; the others are not the user's concern.
export function takeoverVerdict(item, settings) {
  const s = { ...DEFAULT_SETTINGS, ...settings };
  if (!s.takeover || !item) return 'off';
  const url = item.finalUrl || item.url;
  if (!isWebUrl(url)) return 'scheme'; // blob:, data:, file: stay with the browser
  if (item.byExtensionId) return 'extension'; // ours handed back, or another extension's
  if (item.state && item.state !== 'in_progress') return 'state';
  if (item.incognito) return 'private'; // private windows keep their downloads private
  const name = baseName(item.filename) || fileNameFromUrl(url);
  const wanted = parseExtensionList(s.extensions);
  if (wanted.size > 0 && !wanted.has(extensionOf(name))) return 'type';
  const minBytes = Math.max(0, Number(s.minSizeMiB) || 0) * MIB;
  if (minBytes > 0) {
    const size = knownSize(item);
    if (size === null) return 'size-unknown';
    if (size < minBytes) return 'small';
  }
  return 'take';
}

// Takes a browser download (a downloads.DownloadItem) and the settings;
// true when Velmora should have it instead.
export function shouldTakeOver(item, settings) {
  return takeoverVerdict(item, settings) === 'take';
}

// The link a taken-over download becomes. The browser's file name is left
// out on purpose: it is the browser's pick in its own folder, made unique
// there ("a(1).zip" in Firefox when two start at once), and would carry
// that suffix into Velmora's folder, where the engine names the file from
// the server's answer and makes it unique in one way, " (n)".
export function linkFromDownload(item) {
  const link = { url: item.finalUrl || item.url, referrer: item.referrer };
  const size = knownSize(item);
  if (size !== null) link.fileSize = size;
  return link;
}

// A cookie header value from cookies.getAll() results.
export function cookieHeader(cookies) {
  if (!Array.isArray(cookies)) return '';
  return cookies
    .filter((c) => c && typeof c.value === 'string')
    .map((c) => (c.name ? `${c.name}=${c.value}` : c.value))
    .join('; ');
}

// The "add" message for the native host; members with nothing useful in
// them are left out, as the host treats them as absent anyway.
export function buildAddMessage({ url, referrer, cookies, userAgent, filename, fileSize } = {}) {
  const message = { type: 'add', url: String(url ?? '') };
  if (isWebUrl(referrer)) message.referrer = referrer;
  const header = typeof cookies === 'string' ? cookies : cookieHeader(cookies);
  if (header) message.cookies = header;
  if (typeof userAgent === 'string' && userAgent) message.userAgent = userAgent;
  const name = baseName(filename);
  if (name) message.filename = name;
  if (Number.isSafeInteger(fileSize) && fileSize > 0) message.fileSize = fileSize;
  return message;
}

// True when the host's answer says the link was taken.
export function answerTaken(answer) {
  return Boolean(answer && answer.status === 'ok' && typeof answer.id === 'string');
}
