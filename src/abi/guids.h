// COM identifiers: the GUID layout and the class and interface identifiers of the render
// plug-in interfaces.
//
// A GUID is 16 bytes: Data1 to Data3 little-endian, Data4 as written. The registry form
// {6D6ABF26-9F38-11D1-882A-00C04FB961EC} is thus stored as 26 BF 6A 6D 38 9F D1 11 88 2A
// 00 C0 4F B9 61 EC. Two GUIDs are equal when all 16 bytes are.
#pragma once

#include <cstddef>

#include "abi/types.h"

namespace zenta::abi {

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;

static_assert(sizeof(GUID) == 16 && alignof(GUID) == 4);
static_assert(offsetof(GUID, Data2) == 4 && offsetof(GUID, Data3) == 6);
static_assert(offsetof(GUID, Data4) == 8);

// The one class a render plug-in serves: the driver asks every render plug-in DLL for it.
// {6D6ABF26-9F38-11D1-882A-00C04FB961EC}
inline constexpr CLSID CLSID_OEMRENDER{
    0x6D6ABF26, 0x9F38, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory{
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// {7F42285E-91D5-11D1-8820-00C04FB961EC}
inline constexpr IID IID_IPrintOemCommon{
    0x7F42285E, 0x91D5, 0x11D1, {0x88, 0x20, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// {63D17590-91D8-11D1-8820-00C04FB961EC}
inline constexpr IID IID_IPrintOemEngine{
    0x63D17590, 0x91D8, 0x11D1, {0x88, 0x20, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// {688342B5-8E1A-11D1-881F-00C04FB961EC}
inline constexpr IID IID_IPrintOemPS{
    0x688342B5, 0x8E1A, 0x11D1, {0x88, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// {BECF7F34-51B3-46C9-8A1C-18679BD21F36}
inline constexpr IID IID_IPrintOemPS2{
    0xBECF7F34, 0x51B3, 0x46C9, {0x8A, 0x1C, 0x18, 0x67, 0x9B, 0xD2, 0x1F, 0x36}};

// The driver's helper interfaces, offered to PublishDriverInterface.
// {D90060C7-8E1A-11D1-881F-00C04FB961EC}
inline constexpr IID IID_IPrintOemDriverPS{
    0xD90060C7, 0x8E1A, 0x11D1, {0x88, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// {CDBB0B0B-A917-40D7-9FBF-483B3BE7EF22}
inline constexpr IID IID_IPrintCorePS2{
    0xCDBB0B0B, 0xA917, 0x40D7, {0x9F, 0xBF, 0x48, 0x3B, 0x3B, 0xE7, 0xEF, 0x22}};

}  // namespace zenta::abi
