#pragma once

// The dialogs name Windows font faces (the Ming face of Traditional Chinese, the JhengHei face and
// Verdana). This maps each to faces installed here, so that Traditional Chinese text renders with a
// CJK face whatever the locale, and Latin captions keep a Verdana-like shape.
namespace velkor {

// Registers the substitutions with Qt. Safe to call more than once; the agent calls it at start-up
// and the widget tests and the gallery before they draw.
void RegisterDialogFontFaces();

} // namespace velkor
