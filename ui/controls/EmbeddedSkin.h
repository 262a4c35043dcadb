// The skin zip the executable carries (resource "ZIPRES" 109, linked in by
// velmora_embed_skin) handed to the UI library: one place for the program,
// the tests and the benchmarks.
#ifndef VELMORA_UI_CONTROLS_EMBEDDEDSKIN_H
#define VELMORA_UI_CONTROLS_EMBEDDEDSKIN_H

// Makes the embedded skin the source of layouts and images. False when the
// executable carries none or the archive cannot be opened.
bool UseEmbeddedSkin();

#endif
