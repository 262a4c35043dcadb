// The source manifest serves both browser families while developing (each
// reads its own background key and passes over the other's); what a user
// installs carries only what its browser reads.

export const BROWSERS = Object.freeze(['chromium', 'firefox']);

export function manifestFor(source, browser) {
  const manifest = structuredClone(source);
  const script = source.background?.service_worker ?? source.background?.scripts?.[0];
  const type = source.background?.type;
  if (browser === 'chromium') {
    delete manifest.browser_specific_settings;
    manifest.background = { service_worker: script, ...(type ? { type } : {}) };
  } else if (browser === 'firefox') {
    // Firefox derives the id from its own settings; Chromium's key is
    // meaningless there.
    delete manifest.key;
    manifest.background = { scripts: [script], ...(type ? { type } : {}) };
  } else {
    throw new Error(`unknown browser "${browser}" (want ${BROWSERS.join(' or ')})`);
  }
  return manifest;
}
