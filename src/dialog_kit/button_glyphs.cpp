// Button glyphs drawn from character maps, one character per pixel.
#include "dialog_kit/button_glyphs.h"

namespace molvane {
namespace {

struct PaletteEntry {
  char key;
  Pixel24 colour;  // blue, green, red
};

constexpr PaletteEntry kPalette[] = {
    {'.', {255, 0, 255}},    // transparent
    {'k', {0, 0, 0}},        // outline
    {'y', {0, 200, 255}},    // folder
    {'o', {0, 150, 210}},    // folder shade
    {'b', {160, 60, 20}},    // diskette
    {'w', {255, 255, 255}},  // label
    {'s', {192, 192, 192}},  // metal
    {'g', {230, 210, 180}},  // glass
    {'h', {30, 60, 110}},    // handle
    {'u', {220, 140, 60}},   // second picture
    {'d', {40, 40, 40}},     // their gap
    {'v', {40, 170, 40}},    // tick
    {'n', {0, 90, 0}},       // tick outline
};

Pixel24 ColourOf(char key) {
  for (const PaletteEntry& e : kPalette)
    if (e.key == key) return e.colour;
  return kPalette[0].colour;
}

ui::Bitmap24 Draw(const char* const rows[16]) {
  ui::Bitmap24 glyph(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) glyph.ScanLine(y)[x] = ColourOf(rows[y][x]);
  return glyph;
}

}  // namespace

ui::Bitmap24 OpenFileGlyph() {
  static const char* const rows[16] = {
      "................", "................", "................", ".kkkk...........",
      "kyyyyk..........", "kyyyyykkkkkkk...", "kyyyyyyyyyyyk...", "kyyykkkkkkkkkkk.",
      "kyyk.ooooooooook", "kyk.ooooooooook.", "kyk.ooooooooook.", "kk.ooooooooook..",
      "kk.ooooooooook..", "kkkkkkkkkkkkk...", "................", "................"};
  return Draw(rows);
}

ui::Bitmap24 SaveFileGlyph() {
  static const char* const rows[16] = {
      "................", ".kkkkkkkkkkkkkk.", ".kbkwwwwwwwwkbk.", ".kbkwwwwwwwwkbk.",
      ".kbkwwwwwwwwkbk.", ".kbkwwwwwwwwkbk.", ".kbbkkkkkkkkbbk.", ".kbbbbbbbbbbbbk.",
      ".kbbkkkkkkkkbbk.", ".kbbkssskkkkbbk.", ".kbbkssskkkkbbk.", ".kbbkssskkkkbbk.",
      "..kkkkkkkkkkkkk.", "................", "................", "................"};
  return Draw(rows);
}

ui::Bitmap24 PreviewGlyph() {
  static const char* const rows[16] = {
      "................", "....kkkkk.......", "...kgggggk......", "..kgggwggk......",
      ".kggggwgggk.....", ".kgggggwggk.....", ".kgggggggggk....", ".kggggggggk.....",
      "..kgggggggk.....", "...kgggggkhk....", "....kkkkkhhhk...", "..........khhhk.",
      "...........khhhk", "............khhk", ".............kk.", "................"};
  return Draw(rows);
}

ui::Bitmap24 GapGlyph() {
  static const char* const rows[16] = {
      "................", "kkkkkkkkkk......", "kyyyyyyyyk......", "kyyyyyyyyk......",
      "kyyyyyyyyk......", "kyyyykkkkkkkkkkk", "kyyyykdddduuuuuk", "kyyyykdddduuuuuk",
      "kyyyykdddduuuuuk", "kyyyykdddduuuuuk", "kkkkkkdddduuuuuk", ".....kuuuuuuuuuk",
      ".....kuuuuuuuuuk", ".....kuuuuuuuuuk", ".....kkkkkkkkkkk", "................"};
  return Draw(rows);
}

ui::Bitmap24 ApplyGlyph() {
  static const char* const rows[16] = {
      "................", "................", "................", "................",
      "............nn..", "...........nvvn.", "..........nvvn..", ".........nvvn...",
      "..nn....nvvn....", ".nvvn..nvvn.....", "..nvvnnvvn......", "...nvvvvn.......",
      "....nvvn........", ".....nn.........", "................", "................"};
  return Draw(rows);
}

}  // namespace molvane
