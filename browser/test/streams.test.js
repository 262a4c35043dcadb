import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  MAX_STREAMS_PER_TAB,
  contentTypeOf,
  describeStream,
  isPlaylistAnswer,
  shownStreams,
  streamStoreOf,
  streamsOfStored,
  summarizePlaylist,
  variantUrls,
  withStream,
} from '../lib/streams.js';

test('playlists are known by their type or a path ending in .m3u8', () => {
  assert.equal(contentTypeOf([{ name: 'Content-Type', value: 'Application/X-MpegURL; charset=utf-8' }]), 'application/x-mpegurl');
  assert.ok(isPlaylistAnswer('https://cdn.test/get?id=1', 'application/x-mpegurl'));
  assert.ok(isPlaylistAnswer('https://cdn.test/live/INDEX.M3U8?token=a', 'application/octet-stream'));
  assert.ok(!isPlaylistAnswer('https://cdn.test/seg1.ts', 'video/mp2t'));
  assert.ok(!isPlaylistAnswer('https://cdn.test/page?file=a.m3u8', 'text/html'));
  assert.ok(!isPlaylistAnswer('blob:https://cdn.test/a.m3u8', ''));
});

test('a master playlist is summarised by its variants, a media playlist by its length', () => {
  const master = '#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=800000,RESOLUTION=640x360\nlow.m3u8\n' +
    '#EXT-X-STREAM-INF:AVERAGE-BANDWIDTH=1,BANDWIDTH=2500000,RESOLUTION=1280x720\nhigh/index.m3u8\n';
  const summary = summarizePlaylist(master);
  assert.deepEqual(summary, { variants: [{ bandwidth: 800000, height: 360 }, { bandwidth: 2500000, height: 720 }] });
  assert.equal(describeStream({ summary }), '720p, 2.5 Mbit/s (2 variants)');
  assert.deepEqual(variantUrls(master, 'https://cdn.test/show/master.m3u8'),
    ['https://cdn.test/show/low.m3u8', 'https://cdn.test/show/high/index.m3u8']);
  const media = '#EXTM3U\n#EXTINF:4.5,\na.ts\n#EXTINF:600,\nb.ts\n#EXTINF:120.5,\nc.ts\n#EXT-X-ENDLIST\n';
  assert.equal(describeStream({ summary: summarizePlaylist(media) }), '12:05');
  assert.equal(describeStream({ summary: summarizePlaylist('#EXTM3U\n#EXTINF:4,\na.ts\n') }), 'live');
  assert.equal(summarizePlaylist('<html>'), null);
  assert.equal(describeStream({}), '');
});

test('a tab keeps each stream once, newest first, and not too many', () => {
  let list = [];
  list = withStream(list, { url: 'https://a/1.m3u8' });
  list = withStream(list, { url: 'https://a/2.m3u8', summary: { live: true } });
  list = withStream(list, { url: 'https://a/1.m3u8', summary: { duration: 5 } });
  assert.deepEqual(list.map((s) => s.url), ['https://a/1.m3u8', 'https://a/2.m3u8']);
  assert.deepEqual(list[0].summary, { duration: 5 });
  list = withStream(list, { url: 'https://a/2.m3u8' });
  assert.deepEqual(list[0].summary, { live: true }, 'a repeat without a summary keeps the old one');
  for (let i = 0; i < 30; ++i) list = withStream(list, { url: `https://a/x${i}.m3u8` });
  assert.equal(list.length, MAX_STREAMS_PER_TAB);
  assert.equal(list[0].url, 'https://a/x29.m3u8');
});

test('the variants of a master shown are not listed as streams of their own', () => {
  const list = [
    { url: 'https://a/v/720.m3u8' },
    { url: 'https://a/master.m3u8', variantUrls: ['https://a/v/720.m3u8', 'https://a/v/360.m3u8'] },
    { url: 'https://b/other.m3u8' },
  ];
  assert.deepEqual(shownStreams(list).map((s) => s.url), ['https://a/master.m3u8', 'https://b/other.m3u8']);
});

test('the stored lists come from session storage where there is one, and bad answers read as none', () => {
  const session = {}, local = {};
  assert.equal(streamStoreOf({ session, local }), session);
  assert.equal(streamStoreOf({ local }), local);
  assert.deepEqual(streamsOfStored({ streams: { 7: [{ url: 'https://a/x.m3u8' }] } })[7], [{ url: 'https://a/x.m3u8' }]);
  assert.deepEqual(streamsOfStored({ streams: 'broken' }), {});
  assert.deepEqual(streamsOfStored(undefined), {});
});
