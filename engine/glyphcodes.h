// The glyph codes the word converter writes by itself, outside the table files.
#pragma once

namespace kestrum::glyph {

constexpr char kNaPhala = '\x9C';
constexpr char kMaPhala = '\xA5';
constexpr char kBaPhala = '\xA6';
constexpr char kLaPhala = '\xAD';
constexpr char kRaPhala = '\xAA';
constexpr char kYaPhala = '\xA8';
constexpr char kReph = '\xA9';
constexpr char kEKarAtWordStart = '\x86';
constexpr char kOiKarAtWordStart = '\x88';
constexpr char kIKar = 'w';

} // namespace kestrum::glyph
