// Streams a page loads (segmented playlists), noticed from the answers the
// browser sees: what counts as one, the per-tab list the popup shows, and
// what a playlist's text says about its variants and length. Free of
// browser APIs so it can be tested anywhere.

export const STREAMS_KEY = 'streams';
export const MAX_STREAMS_PER_TAB = 20;

// Where the per-tab lists are kept: session storage, so nothing of them
// reaches the disk, or local storage where a browser has no session area.
export function streamStoreOf(storage) {
  return storage.session ?? storage.local;
}

// The tab id -> list map in a storage answer; {} for anything else.
export function streamsOfStored(stored) {
  const tabs = stored?.[STREAMS_KEY];
  return tabs && typeof tabs === 'object' ? tabs : {};
}

const PLAYLIST_TYPES = new Set(['application/vnd.apple.mpegurl', 'application/x-mpegurl', 'audio/mpegurl', 'audio/x-mpegurl']);

// The Content-Type of a webRequest answer, lowercased without parameters.
export function contentTypeOf(responseHeaders) {
  for (const header of responseHeaders ?? []) {
    if (String(header.name).toLowerCase() === 'content-type')
      return String(header.value ?? '').split(';')[0].trim().toLowerCase();
  }
  return '';
}

// Whether an answer is a playlist: by its type, or by a path ending in
// ".m3u8" (the query aside).
export function isPlaylistAnswer(url, contentType) {
  if (PLAYLIST_TYPES.has(String(contentType ?? '').toLowerCase())) return true;
  try {
    const { protocol, pathname } = new URL(url);
    return (protocol === 'http:' || protocol === 'https:') && pathname.toLowerCase().endsWith('.m3u8');
  } catch {
    return false;
  }
}

// What a playlist's text tells: a master playlist's variants (bandwidth
// and picture height) or a media playlist's length in seconds when it is
// complete (no end: a live stream).
export function summarizePlaylist(text) {
  const lines = String(text ?? '').split(/\r?\n/);
  if (!lines[0]?.replace(/^\uFEFF/, '').startsWith('#EXTM3U')) return null;
  const variants = [];
  let seconds = 0;
  let ended = false;
  for (const line of lines) {
    if (line.startsWith('#EXT-X-STREAM-INF:')) {
      const bandwidth = Number(/(?:^|[:,])BANDWIDTH=(\d+)/.exec(line)?.[1] ?? 0);
      const height = Number(/RESOLUTION=\d+x(\d+)/i.exec(line)?.[1] ?? 0);
      variants.push({ bandwidth, height });
    } else if (line.startsWith('#EXTINF:')) {
      const value = parseFloat(line.slice(8));
      if (Number.isFinite(value) && value > 0) seconds += value;
    } else if (line.startsWith('#EXT-X-ENDLIST')) {
      ended = true;
    }
  }
  if (variants.length) return { variants };
  return ended ? { duration: Math.round(seconds) } : { live: true };
}

// "720p, 2.5 Mbit/s (3 variants)", "12:05", "live" for people.
export function describeStream(stream) {
  const summary = stream.summary;
  if (!summary) return '';
  if (summary.variants?.length) {
    const best = summary.variants.reduce((a, b) => (b.bandwidth > a.bandwidth || (b.bandwidth === a.bandwidth && b.height > a.height) ? b : a));
    const picture = best.height ? `${best.height}p, ` : '';
    const count = summary.variants.length > 1 ? ` (${summary.variants.length} variants)` : '';
    return `${picture}${(best.bandwidth / 1e6).toFixed(1)} Mbit/s${count}`;
  }
  if (summary.live) return 'live';
  const s = summary.duration ?? 0;
  const minutes = Math.floor(s / 60);
  return `${minutes}:${String(s % 60).padStart(2, '0')}`;
}

// The tab's list with `stream` added once (by URL), newest first, at most
// MAX_STREAMS_PER_TAB kept. A stream seen again keeps its place but takes
// the new summary when one is given.
export function withStream(list, stream) {
  const streams = Array.isArray(list) ? list : [];
  const kept = streams.filter((s) => s && s.url !== stream.url);
  const before = streams.find((s) => s && s.url === stream.url);
  const merged = before ? { ...before, ...stream, summary: stream.summary ?? before.summary } : stream;
  return [merged, ...kept].slice(0, MAX_STREAMS_PER_TAB);
}

// A media playlist listed by a master playlist the page loaded too is one
// of its variants, not a stream of its own: only masters and lone media
// playlists are shown.
export function shownStreams(list) {
  const streams = Array.isArray(list) ? list : [];
  const variantsOf = new Set(streams.flatMap((s) => s.variantUrls ?? []));
  return streams.filter((s) => !variantsOf.has(s.url));
}

// The variant URLs a master playlist names, resolved against its own URL.
export function variantUrls(text, base) {
  const urls = [];
  const lines = String(text ?? '').split(/\r?\n/);
  for (let i = 0; i < lines.length; ++i) {
    if (!lines[i].startsWith('#EXT-X-STREAM-INF:')) continue;
    const next = lines.slice(i + 1).find((l) => l.trim() && !l.startsWith('#'));
    try {
      if (next) urls.push(new URL(next.trim(), base).href);
    } catch {
      // a URI that does not resolve is left out
    }
  }
  return urls;
}
