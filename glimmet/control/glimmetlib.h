// The Glimmet3 library's identity: what hosts need to create a Glimmet and reach its members.
//
// Header only: a host includes it for the identifiers and never links the library, which it
// loads by name through the component registry.
#pragma once

#include "runtime/dispatch.h"
#include "runtime/guid.h"

#include <cstdint>

namespace Glimmet3 {

using kestrum::runtime::DispId;
using kestrum::runtime::Guid;

inline constexpr char progId[] = "GlimmetLib.Glimmet";
inline constexpr char typeLibName[] = "GlimmetLib";
inline constexpr char typeLibHelp[] = "Lumatrel";
inline constexpr std::uint16_t typeLibMajor = 3;
inline constexpr std::uint16_t typeLibMinor = 0;
inline constexpr std::uint32_t typeLibLocale = 0x409;
// Recompose on resize, cannot link inside, inside-out, activate when visible, set client
// site first.
inline constexpr std::uint32_t miscStatus = 0x20191;
inline constexpr int toolboxBitmap = 30000;

// Fixed once; registry records and saved window data refer to them.
inline constexpr Guid typeLibId = {
    0x60DF1891, 0x11CE, 0x45DF, {0x9B, 0xA4, 0xAB, 0x01, 0x7D, 0x05, 0x52, 0x1D}};
inline constexpr Guid classId = {
    0x09637E27, 0x680D, 0x4DD7, {0x9C, 0xFF, 0x78, 0x45, 0xEB, 0x2D, 0x9E, 0x30}};
inline constexpr Guid interfaceId = {
    0xDD8AA1B5, 0x4AA5, 0x4D52, {0xB7, 0x47, 0xC9, 0x29, 0x4B, 0x8A, 0x3F, 0xA9}};
inline constexpr Guid eventInterfaceId = {
    0x7DD19089, 0xE871, 0x46A6, {0x81, 0x75, 0x67, 0x6D, 0x42, 0x50, 0x54, 0x17}};

// Members of _Glimmet (a property's read and write share one id).
namespace DispIds {
inline constexpr DispId MouseIcon = 0x6803000F;
inline constexpr DispId Caption = 0x6803000E;
inline constexpr DispId HighCaption = 0x6803000D;
inline constexpr DispId Bevel = 0x6803000C;
inline constexpr DispId hwnd = 0x6803000B;
inline constexpr DispId Picture = 0x6803000A;
inline constexpr DispId HighPicture = 0x68030009;
inline constexpr DispId DownPicture = 0x68030008;
inline constexpr DispId BackColor = 0x68030007;
inline constexpr DispId Font = 0x68030006;
inline constexpr DispId ForeColor = 0x68030005;
inline constexpr DispId mode = 0x68030004;
inline constexpr DispId GrayScale = 0x68030003;
inline constexpr DispId HighBackColor = 0x68030002;
inline constexpr DispId HighForeColor = 0x68030001;
inline constexpr DispId HighFont = 0x68030000;
inline constexpr DispId ShowInfo = 0x6003001F;
} // namespace DispIds

// Events of __Glimmet.
namespace EventIds {
inline constexpr DispId Click = 1;
inline constexpr DispId MouseUp = 2;
inline constexpr DispId MouseDown = 3;
inline constexpr DispId MouseMove = 4;
inline constexpr DispId MouseOut = 5;
inline constexpr DispId DblClick = 6;
inline constexpr DispId KeyIsUp = 7;
inline constexpr DispId KeyIsDown = 8;
inline constexpr DispId KeyIsPressed = 9;
} // namespace EventIds

} // namespace Glimmet3
