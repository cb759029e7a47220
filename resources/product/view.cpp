// marnobe_view.dll: paints the product's window.
#include "marnobe.h"

extern "C" __declspec(dllexport) void MarnobePaint(HDC dc, const RECT* area, const MarnobeSettings* settings,
                                                   const char* product, const char* version) {
  HBRUSH background = CreateSolidBrush(settings->background);
  FillRect(dc, area, background);
  DeleteObject(background);
  SetBkMode(dc, TRANSPARENT);

  RECT line = *area;
  line.left += 16;
  line.right -= 16;
  line.top += 16;
  HFONT big = CreateFontA(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
  HGDIOBJ old_font = SelectObject(dc, big);
  DrawTextA(dc, product, -1, &line, DT_LEFT | DT_TOP | DT_SINGLELINE);
  SelectObject(dc, old_font);
  DeleteObject(big);

  char text[64];
  wsprintfA(text, "版本 %s", version);
  line.top += 40;
  DrawTextA(dc, text, -1, &line, DT_LEFT | DT_TOP | DT_SINGLELINE);
  line.top += 28;
  DrawTextA(dc, settings->greeting, -1, &line, DT_LEFT | DT_TOP | DT_SINGLELINE);
  line.top += 28;
  DrawTextA(dc, settings->welcome, -1, &line, DT_LEFT | DT_TOP | DT_WORDBREAK);
}
