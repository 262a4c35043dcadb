// Every text the extension shows, in one place, so that a translation
// touches this file only. "%s" marks are filled in order by format().

export const STRINGS = Object.freeze({
  menuTitle: 'Download with Velmora',
  taken: 'Handed to Velmora: %s',
  refused: 'Velmora refused %s: %s',
  unreachable: 'Velmora could not be reached for %s (%s).',
  keptInBrowser: 'The browser downloads %s itself.',
  sizeUnknown: '%s stayed in the browser: its size was still unknown after %s s, so the minimum size could not be checked.',
  finishedFirst: '%s finished in the browser before Velmora could take it over; the browser keeps it.',
  noCookies: '%s went to Velmora without the site\'s cookies: site access is not granted (see the options).',
  badgeTitle: 'Velmora: %s',
  noNotices: 'Nothing to report.',
  clear: 'Clear',
  siteAccessGranted: 'Site access is granted: links go to Velmora with their cookies.',
  siteAccessMissing: 'Site access is not granted: links go to Velmora without cookies, and sites that need a login will refuse them.',
  askSiteAccess: 'Allow site access',
  saved: 'Saved.',
  linkPrompt: 'Link to download',
  send: 'Send to Velmora',
  badLink: 'Only http and https links can be handed over.',
  takeoverLabel: 'Let Velmora take over browser downloads',
  typesLabel: 'File types (extensions, separated by blanks)',
  sizeBefore: 'Only files of at least',
  sizeAfter: 'MiB',
  streamsTitle: 'Streams on this page',
  downloadStream: 'Download',
});

// Puts the text named by each element's data-string into it, so pages hold
// no text of their own.
export function fillStrings(root) {
  for (const element of root.querySelectorAll('[data-string]')) {
    const text = STRINGS[element.dataset.string];
    if (typeof text === 'string') element.textContent = text;
  }
}

export function format(template, ...values) {
  let next = 0;
  return String(template).replace(/%s/g, () => (next < values.length ? String(values[next++]) : '%s'));
}
