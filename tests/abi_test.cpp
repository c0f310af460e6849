// Known-answer tests of the driver plug-in ABI declarations: GUIDs against their registry
// form, structures read from little-endian byte images laid out at the published offsets,
// and the vtable slot order of every interface in both directions (a C++ object called
// through raw slots as the driver calls the plug-in, and hand-built C vtables called
// through the C++ declarations as the plug-in calls the driver).

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "abi/abi.h"

namespace zenta::abi {
namespace {

static_assert(sizeof(void*) == 8, "the driver ABI is declared for 64-bit targets");

// ---------------------------------------------------------------------------------------
// Byte images

template <std::size_t N>
struct Image {
    std::array<uint8_t, N> bytes{};

    // The `width` low bytes of `v`, least significant first.
    void put(std::size_t at, std::size_t width, uint64_t v) {
        for (std::size_t i = 0; i < width; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void put_wide(std::size_t at, std::u16string_view s) {
        for (std::size_t i = 0; i < s.size(); ++i) put(at + 2 * i, 2, s[i]);
    }

    template <class T>
    T as() const {
        static_assert(sizeof(T) == N);
        T t;
        std::memcpy(&t, bytes.data(), N);
        return t;
    }
};

// A value as a number: integers keep their sign, pointers give their address.
template <class V>
int64_t number(V v) {
    if constexpr (std::is_pointer_v<V>)
        return static_cast<int64_t>(reinterpret_cast<intptr_t>(v));
    else
        return static_cast<int64_t>(v);
}

// One field of a structure laid out by hand: its offset and width, the value stored there, and
// the member of the declaration that must read that value back (with its sign).
template <class T>
struct Field {
    std::size_t at, width;
    int64_t value;
    const char* name;
    int64_t (*read)(const T&);
};
#define FIELD(member, at, width, value)                                                   \
    {                                                                                     \
        at, width, number(value), #member, [](const auto& s) { return number(s.member); } \
    }

// Stores every field into `img`, reads the image as a T and checks each member.
template <class T, std::size_t N>
T expect_fields(const Field<T> (&fields)[N], Image<sizeof(T)> img = {}) {
    for (const Field<T>& f : fields) img.put(f.at, f.width, static_cast<uint64_t>(f.value));
    const T t = img.template as<T>();
    for (const Field<T>& f : fields) EXPECT_EQ(f.read(t), f.value) << f.name << " at byte " << f.at;
    return t;
}

// ---------------------------------------------------------------------------------------
// GUIDs

// The 16 stored bytes of a GUID given in registry form: the first three groups are
// little-endian numbers, the last two are bytes in order.
std::array<uint8_t, 16> registry_guid_bytes(std::string_view text) {
    std::string hex;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
    EXPECT_EQ(hex.size(), 32u) << text;
    hex.resize(32, '0');
    std::array<uint8_t, 16> in{};
    for (std::size_t i = 0; i < 16; ++i)
        in[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return {in[3], in[2], in[1],  in[0],  in[5],  in[4],  in[7],  in[6],
            in[8], in[9], in[10], in[11], in[12], in[13], in[14], in[15]};
}

std::array<uint8_t, 16> stored_bytes(const GUID& g) {
    std::array<uint8_t, 16> out{};
    std::memcpy(out.data(), &g, 16);
    return out;
}

struct NamedGuid {
    const GUID* guid;
    const char* registry_form;
};

const NamedGuid kGuids[] = {
    {&CLSID_OEMRENDER, "{6D6ABF26-9F38-11D1-882A-00C04FB961EC}"},
    {&IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
    {&IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
    {&IID_IPrintOemCommon, "{7F42285E-91D5-11D1-8820-00C04FB961EC}"},
    {&IID_IPrintOemEngine, "{63D17590-91D8-11D1-8820-00C04FB961EC}"},
    {&IID_IPrintOemPS, "{688342B5-8E1A-11D1-881F-00C04FB961EC}"},
    {&IID_IPrintOemPS2, "{BECF7F34-51B3-46C9-8A1C-18679BD21F36}"},
    {&IID_IPrintOemDriverPS, "{D90060C7-8E1A-11D1-881F-00C04FB961EC}"},
    {&IID_IPrintCorePS2, "{CDBB0B0B-A917-40D7-9FBF-483B3BE7EF22}"},
};

TEST(AbiGuid, StoredBytesMatchTheRegistryForm) {
    for (const auto& g : kGuids)
        EXPECT_EQ(stored_bytes(*g.guid), registry_guid_bytes(g.registry_form)) << g.registry_form;
    // The byte order spelled out once, independently of the parser above.
    const std::array<uint8_t, 16> ps2 = {0x34, 0x7F, 0xCF, 0xBE, 0xB3, 0x51, 0xC9, 0x46,
                                         0x8A, 0x1C, 0x18, 0x67, 0x9B, 0xD2, 0x1F, 0x36};
    EXPECT_EQ(stored_bytes(IID_IPrintOemPS2), ps2);
}

TEST(AbiGuid, EqualityLooksAtEveryByte) {
    for (const auto& a : kGuids)
        for (const auto& b : kGuids)
            EXPECT_EQ(*a.guid == *b.guid, a.guid == b.guid) << a.registry_form << " " << b.registry_form;
    for (std::size_t i = 0; i < 16; ++i) {
        GUID changed = IID_IPrintCorePS2;
        reinterpret_cast<uint8_t*>(&changed)[i] ^= 0x01;
        EXPECT_FALSE(changed == IID_IPrintCorePS2) << "byte " << i;
        EXPECT_TRUE(changed != IID_IPrintCorePS2) << "byte " << i;
    }
    static_assert(IID_IUnknown != IID_IClassFactory);
    static_assert(GUID{IID_IPrintOemPS} == IID_IPrintOemPS);
}

// ---------------------------------------------------------------------------------------
// Published values: status codes (an HRESULT passed to the Win32 mapping stays as it is) and
// the DEVMODE values the byte images below use.

static_assert(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER) == E_INVALIDARG);
static_assert(HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY) == E_OUTOFMEMORY);
static_assert(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) == E_ACCESSDENIED);
static_assert(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE) == E_HANDLE);
static_assert(static_cast<uint32_t>(E_OUTOFMEMORY) == 0x8007000Eu);
static_assert(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)) == 0x8007007Au);
static_assert(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)) == 0x80070709u);
static_assert(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_MORE_DATA)) == 0x800700EAu);
static_assert(HRESULT_FROM_WIN32(ERROR_SUCCESS) == S_OK);
static_assert(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)) == E_FAIL);
static_assert(succeeded(S_OK) && succeeded(S_FALSE) && failed(E_NOTIMPL) &&
              failed(CLASS_E_CLASSNOTAVAILABLE));
static_assert(E_FAIL < 0);

static_assert(DM_SPECVERSION == 0x0401 && DMORIENT_LANDSCAPE == 2 && DMPAPER_A4 == 9 &&
              DMBIN_FORMSOURCE == 15);
static_assert(DMRES_HIGH == -4 && DMCOLOR_COLOR == 2 && DMDUP_HORIZONTAL == 3 && DMCOLLATE_TRUE == 1);
static_assert(DMNUP_ONEUP == 2);
static_assert((DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_DEFAULTSOURCE | DM_DUPLEX |
               DM_YRESOLUTION | DM_FORMNAME) == 0x00013313);

// ---------------------------------------------------------------------------------------
// Structures from byte images

TEST(AbiLayout, DevmodeFieldsSitAtTheirPublishedOffsets) {
    Image<220> img;
    img.put_wide(0, u"Zenta PS");
    img.put_wide(102, u"A4");
    // clang-format off
    const Field<DEVMODEW> fields[] = {
        FIELD(dmSpecVersion, 64, 2, DM_SPECVERSION),     FIELD(dmDriverVersion, 66, 2, 0x0603),
        FIELD(dmSize, 68, 2, 220),                       FIELD(dmDriverExtra, 70, 2, 27800 + 1024),
        FIELD(dmFields, 72, 4, 0x00013313),              FIELD(dmOrientation, 76, 2, DMORIENT_LANDSCAPE),
        FIELD(dmPaperSize, 78, 2, DMPAPER_A4),           FIELD(dmPaperLength, 80, 2, 2970),
        FIELD(dmPaperWidth, 82, 2, 2100),                FIELD(dmScale, 84, 2, 50),
        FIELD(dmCopies, 86, 2, 3),                       FIELD(dmDefaultSource, 88, 2, DMBIN_FORMSOURCE),
        FIELD(dmPrintQuality, 90, 2, DMRES_HIGH),        FIELD(dmColor, 92, 2, DMCOLOR_COLOR),
        FIELD(dmDuplex, 94, 2, DMDUP_HORIZONTAL),        FIELD(dmYResolution, 96, 2, 1200),
        FIELD(dmTTOption, 98, 2, 4),                     FIELD(dmCollate, 100, 2, DMCOLLATE_TRUE),
        FIELD(dmLogPixels, 166, 2, 600),                 FIELD(dmBitsPerPel, 168, 4, 24),
        FIELD(dmPelsWidth, 172, 4, 4960),                FIELD(dmPelsHeight, 176, 4, 7016),
        FIELD(dmNup, 180, 4, DMNUP_ONEUP),               FIELD(dmDisplayFlags, 180, 4, DMNUP_ONEUP),
        FIELD(dmDisplayFrequency, 184, 4, 60),           FIELD(dmICMMethod, 188, 4, 1),
        FIELD(dmICMIntent, 192, 4, 4),                   FIELD(dmMediaType, 196, 4, 258),
        FIELD(dmDitherType, 200, 4, 3),                  FIELD(dmReserved1, 204, 4, 0x11111111),
        FIELD(dmReserved2, 208, 4, 0x22222222),          FIELD(dmPanningWidth, 212, 4, 0x33333333),
        FIELD(dmPanningHeight, 216, 4, 0xA1B2C3D4)};
    // clang-format on
    const DEVMODEW dm = expect_fields(fields, img);  // dmNup and dmDisplayFlags: the same four bytes
    EXPECT_EQ(std::u16string(dm.dmDeviceName), u"Zenta PS");
    EXPECT_EQ(std::u16string(dm.dmFormName), u"A4");
}

TEST(AbiLayout, PluginDevmodeHeaderIsLittleEndian) {
    // A block of 27800 bytes with the signature "ZTQV" read as a big-endian number: stored
    // as the bytes V, Q, T, Z.
    const uint8_t raw[12] = {0x98, 0x6C, 0x00, 0x00, 'V', 'Q', 'T', 'Z', 0x78, 0x56, 0x34, 0x12};
    OEM_DMEXTRAHEADER h;
    std::memcpy(&h, raw, sizeof h);
    EXPECT_EQ(h.dwSize, 27800u);
    EXPECT_EQ(h.dwSignature, 0x5A545156u);
    EXPECT_EQ(h.dwVersion, 0x12345678u);
}

TEST(AbiLayout, DeviceObjectAndDevmodeCallBlock) {
    DEVMODEW public_dm{}, public_out{};
    uint8_t plugin_block[32]{}, block_out[32]{};
    int engine = 0, printer = 0, oem = 0, pdev = 0;
    // clang-format off
    const Field<DEVOBJ> devobj[] = {
        FIELD(dwSize, 0, 4, 64),              FIELD(pdevOEM, 8, 8, &pdev),
        FIELD(hEngine, 16, 8, &engine),       FIELD(hPrinter, 24, 8, &printer),
        FIELD(hOEM, 32, 8, &oem),             FIELD(pPublicDM, 40, 8, &public_dm),
        FIELD(pOEMDM, 48, 8, plugin_block),   FIELD(pDrvProcs, 56, 8, 0)};
    const Field<OEMDMPARAM> call[] = {
        FIELD(cbSize, 0, 4, 72),               FIELD(pdriverobj, 8, 8, &engine),
        FIELD(hPrinter, 16, 8, &printer),      FIELD(hModule, 24, 8, &oem),
        FIELD(pPublicDMIn, 32, 8, &public_dm), FIELD(pPublicDMOut, 40, 8, &public_out),
        FIELD(pOEMDMIn, 48, 8, plugin_block),  FIELD(pOEMDMOut, 56, 8, block_out),
        FIELD(cbBufSize, 64, 4, 27800)};
    // clang-format on
    expect_fields(devobj);
    expect_fields(call);
}

TEST(AbiLayout, GdiInfoPageFields) {
    // clang-format off
    const Field<GDIINFO> fields[] = {
        FIELD(ulVersion, 0, 4, 0x5000),           FIELD(ulTechnology, 4, 4, 2),
        // A negative size (as LONG) is in micrometres.
        FIELD(ulHorzSize, 8, 4, static_cast<ULONG>(-203200)),
        FIELD(ulVertSize, 12, 4, static_cast<ULONG>(-289560)),
        FIELD(ulHorzRes, 16, 4, 4800),            FIELD(ulVertRes, 20, 4, 6840),
        FIELD(ulLogPixelsX, 40, 4, 600),          FIELD(ulLogPixelsY, 44, 4, 600),
        FIELD(xStyleStep, 76, 4, -1),             FIELD(denStyleStep, 84, 4, 7),
        FIELD(ptlPhysOffset.x, 88, 4, 100),       FIELD(ptlPhysOffset.y, 92, 4, 120),
        FIELD(szlPhysSize.cx, 96, 4, 4960),       FIELD(szlPhysSize.cy, 100, 4, 7016),
        FIELD(ulNumPalReg, 104, 4, 256),          FIELD(ciDevice.Red.x, 108, 4, 6400),
        FIELD(ciDevice.MagentaInYellowDye, 224, 4, 1234), FIELD(ulDevicePelsDPI, 228, 4, 600),
        FIELD(cyHTPat, 276, 4, 16),               FIELD(pHTPatA, 280, 8, 0x1000),
        FIELD(pHTPatC, 296, 8, 0x3000),           FIELD(flShadeBlend, 304, 4, 0x55),
        FIELD(ulPhysicalPixelGamma, 312, 4, 2200)};
    // clang-format on
    expect_fields(fields);
}

TEST(AbiLayout, SurfaceObjectCarriesDeviceAndSize) {
    DEVOBJ devobj{};
    // clang-format off
    const Field<SURFOBJ> fields[] = {
        FIELD(dhpdev, 16, 8, &devobj), FIELD(sizlBitmap.cx, 32, 4, 4960), FIELD(sizlBitmap.cy, 36, 4, 7016),
        FIELD(cjBits, 40, 4, 123456),  FIELD(lDelta, 64, 4, -256),        FIELD(iType, 76, 2, 1),
        FIELD(fjBitmap, 78, 2, 2)};
    // clang-format on
    expect_fields(fields);
}

SURFOBJ* g_last_escape_surface = nullptr;

ULONG ZENTA_STDCALL driver_escape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                  PVOID pvOut) {
    g_last_escape_surface = pso;
    return iEsc * 1000 + cjIn * 100 + cjOut + (pvIn != nullptr) + (pvOut != nullptr);
}

TEST(AbiLayout, DriverFunctionTableFromBytes) {
    // A driver's table as it lies in memory: {iFunc, pfn} pairs of 16 bytes each.
    Image<32> table;
    table.put(0, 4, 18);   // INDEX_DrvBitBlt, no function
    table.put(16, 4, 24);  // INDEX_DrvEscape
    table.put(24, 8, reinterpret_cast<uintptr_t>(to_pfn(&driver_escape)));
    const auto fns = table.as<std::array<DRVFN, 2>>();
    DRVFN copy[2];
    std::memcpy(copy, fns.data(), sizeof copy);

    Image<16> enable;
    enable.put(0, 4, PRINTER_OEMINTF_VERSION);
    enable.put(4, 4, 2);
    enable.put(8, 8, reinterpret_cast<uintptr_t>(copy));
    const auto ded = enable.as<DRVENABLEDATA>();
    ASSERT_EQ(ded.c, 2u);
    EXPECT_EQ(ded.iDriverVersion, 0x00010000u);
    EXPECT_EQ(ded.pdrvfn[0].iFunc, INDEX_DrvBitBlt);
    EXPECT_EQ(ded.pdrvfn[0].pfn, nullptr);
    ASSERT_EQ(ded.pdrvfn[1].iFunc, INDEX_DrvEscape);

    SURFOBJ surface{};
    int in = 0, out = 0;
    const auto escape = from_pfn<PFN_DrvEscape>(ded.pdrvfn[1].pfn);
    EXPECT_EQ(escape(&surface, QUERYESCSUPPORT, 4, &in, 0, &out), 8000u + 400u + 0u + 2u);
    EXPECT_EQ(g_last_escape_surface, &surface);
}

TEST(AbiLayout, HookedDdiNumbers) {
    // The 27 functions a render plug-in places itself in front of, with their DDI numbers.
    // clang-format off
    static constexpr std::pair<ULONG, ULONG> hooked[] = {
        {INDEX_DrvRealizeBrush, 12}, {INDEX_DrvCopyBits, 19}, {INDEX_DrvBitBlt, 18},
        {INDEX_DrvStretchBlt, 20},
        {INDEX_DrvStretchBltROP, 69}, {INDEX_DrvPlgBlt, 70}, {INDEX_DrvTransparentBlt, 74},
        {INDEX_DrvAlphaBlend, 71}, {INDEX_DrvGradientFill, 68}, {INDEX_DrvTextOut, 23},
        {INDEX_DrvStrokePath, 14}, {INDEX_DrvFillPath, 15}, {INDEX_DrvStrokeAndFillPath, 16},
        {INDEX_DrvStartPage, 33}, {INDEX_DrvSendPage, 32}, {INDEX_DrvEscape, 24}, {INDEX_DrvStartDoc, 35},
        {INDEX_DrvEndDoc, 34}, {INDEX_DrvQueryFont, 26}, {INDEX_DrvQueryFontTree, 27},
        {INDEX_DrvQueryFontData, 28}, {INDEX_DrvQueryAdvanceWidths, 53}, {INDEX_DrvFontManagement, 47},
        {INDEX_DrvGetGlyphMode, 37}, {INDEX_DrvIcmCreateColorTransform, 64},
        {INDEX_DrvIcmDeleteColorTransform, 65}, {INDEX_DrvQueryDeviceSupport, 76}};
    // clang-format on
    static_assert(std::size(hooked) == 27);
    for (std::size_t i = 0; i < 27; ++i) EXPECT_EQ(hooked[i].first, hooked[i].second) << "position " << i;
}

// ---------------------------------------------------------------------------------------
// Vtables: the driver calls the plug-in through raw slots

using Slot = void (*)();
using Pointers = std::array<const void*, 4>;

Slot slot_of(const void* iface, std::size_t index) {
    return (*static_cast<const Slot* const*>(iface))[index];
}

template <class R, class... A>
R call_slot(void* iface, std::size_t index, A... args) {
    return reinterpret_cast<R(ZENTA_STDCALL*)(void*, A...)>(slot_of(iface, index))(iface, args...);
}

HRESULT slot_result(int slot) { return 0x100 + slot; }

// Answers every method with 0x100 + its slot number and records what it received.
class RecordingPlugin final : public IPrintOemPS2 {
public:
    int last_slot = -1;
    Pointers p{};
    std::array<DWORD, 3> d{};

    HRESULT ZENTA_STDCALL QueryInterface(const IID& riid, void** ppv) override { return hit(0, &riid, ppv); }
    ULONG ZENTA_STDCALL AddRef() override { return static_cast<ULONG>(hit(1)); }
    ULONG ZENTA_STDCALL Release() override { return static_cast<ULONG>(hit(2)); }
    HRESULT ZENTA_STDCALL GetInfo(DWORD mode, PVOID buf, DWORD cb, PDWORD needed) override {
        return hit(3, buf, needed, nullptr, nullptr, mode, cb);
    }
    HRESULT ZENTA_STDCALL DevMode(DWORD mode, OEMDMPARAM* param) override {
        return hit(4, param, nullptr, nullptr, nullptr, mode);
    }
    HRESULT ZENTA_STDCALL EnableDriver(DWORD version, DWORD cb, DRVENABLEDATA* ded) override {
        return hit(5, ded, nullptr, nullptr, nullptr, version, cb);
    }
    HRESULT ZENTA_STDCALL DisableDriver() override { return hit(6); }
    HRESULT ZENTA_STDCALL EnablePDEV(DEVOBJ* devobj, PWSTR name, ULONG patterns, HSURF* surfaces,
                                     ULONG cj_gdi, GDIINFO* gdi, ULONG cj_dev, DEVINFO* dev,
                                     DRVENABLEDATA* ded, PDEVOEM* out) override {
        // Four pointers and three numbers are recorded; the others are checked here.
        if (name == nullptr || surfaces == nullptr || dev == nullptr) return E_POINTER;
        return hit(7, devobj, gdi, ded, out, patterns, cj_gdi, cj_dev);
    }
    HRESULT ZENTA_STDCALL DisablePDEV(DEVOBJ* devobj) override { return hit(8, devobj); }
    HRESULT ZENTA_STDCALL ResetPDEV(DEVOBJ* old_obj, DEVOBJ* new_obj) override {
        return hit(9, old_obj, new_obj);
    }
    HRESULT ZENTA_STDCALL PublishDriverInterface(IUnknown* unknown) override { return hit(10, unknown); }
    HRESULT ZENTA_STDCALL Command(DEVOBJ* devobj, DWORD index, PVOID data, DWORD cb, DWORD* result) override {
        return hit(11, devobj, data, result, nullptr, index, cb);
    }
    HRESULT ZENTA_STDCALL WritePrinter(DEVOBJ* devobj, PVOID buf, DWORD cb, PDWORD written) override {
        return hit(12, devobj, buf, written, nullptr, cb);
    }
    HRESULT ZENTA_STDCALL GetPDEVAdjustment(DEVOBJ* devobj, DWORD type, PVOID buf, DWORD cb,
                                            BOOL* done) override {
        return hit(13, devobj, buf, done, nullptr, type, cb);
    }

private:
    HRESULT hit(int slot, const void* p0 = nullptr, const void* p1 = nullptr, const void* p2 = nullptr,
                const void* p3 = nullptr, DWORD d0 = 0, DWORD d1 = 0, DWORD d2 = 0) {
        last_slot = slot;
        p = {p0, p1, p2, p3};
        d = {d0, d1, d2};
        return slot_result(slot);
    }
};

TEST(AbiVtable, RenderPluginSlotsInPublishedOrder) {
    RecordingPlugin plugin;
    void* iface = static_cast<IPrintOemPS2*>(&plugin);
    ASSERT_EQ(iface, static_cast<IUnknown*>(&plugin));  // one vtable pointer, at the start
    // A call through slot N reaches the method of slot N with these pointers and numbers.
    const auto expect_call = [&](int slot, int64_t result, Pointers p, std::array<DWORD, 3> d = {}) {
        EXPECT_EQ(result, slot_result(slot)) << "slot " << slot;
        EXPECT_EQ(plugin.last_slot, slot);
        EXPECT_EQ(plugin.p, p) << "slot " << slot;
        EXPECT_EQ(plugin.d, d) << "slot " << slot;
    };

    void* out = nullptr;
    expect_call(0, call_slot<HRESULT>(iface, 0, &IID_IPrintOemPS2, &out), {&IID_IPrintOemPS2, &out});
    expect_call(1, call_slot<ULONG>(iface, 1), {});
    expect_call(2, call_slot<ULONG>(iface, 2), {});
    DWORD value = 0, needed = 0;
    expect_call(
        3, call_slot<HRESULT>(iface, 3, OEMGI_GETSIGNATURE, static_cast<PVOID>(&value), DWORD{4}, &needed),
        {&value, &needed}, {OEMGI_GETSIGNATURE, 4});
    OEMDMPARAM param{};
    expect_call(4, call_slot<HRESULT>(iface, 4, OEMDM_MERGE, &param), {&param}, {OEMDM_MERGE});
    DRVENABLEDATA ded{};
    expect_call(5, call_slot<HRESULT>(iface, 5, PRINTER_OEMINTF_VERSION, DWORD{16}, &ded), {&ded},
                {PRINTER_OEMINTF_VERSION, 16});
    expect_call(6, call_slot<HRESULT>(iface, 6), {});

    DEVOBJ devobj{}, other{};
    char16_t name[] = u"Printer";
    HSURF surfaces[1]{};
    GDIINFO gdi{};
    DEVINFO dev{};
    PDEVOEM pdev = nullptr;
    expect_call(
        7,
        call_slot<HRESULT>(iface, 7, &devobj, static_cast<PWSTR>(name), ULONG{6},
                           static_cast<HSURF*>(surfaces), ULONG{320}, &gdi, ULONG{312}, &dev, &ded, &pdev),
        {&devobj, &gdi, &ded, &pdev}, {6, 320, 312});
    expect_call(8, call_slot<HRESULT>(iface, 8, &devobj), {&devobj});
    expect_call(9, call_slot<HRESULT>(iface, 9, &devobj, &other), {&devobj, &other});
    RecordingPlugin helper;
    IUnknown* unknown = &helper;
    expect_call(10, call_slot<HRESULT>(iface, 10, unknown), {unknown});

    char data[8]{};
    DWORD result = 0;
    expect_call(11,
                call_slot<HRESULT>(iface, 11, &devobj, PSINJECT_BEGINPAGESETUP, static_cast<PVOID>(data),
                                   DWORD{8}, &result),
                {&devobj, data, &result}, {PSINJECT_BEGINPAGESETUP, 8});
    DWORD written = 0;
    expect_call(
        12, call_slot<HRESULT>(iface, 12, static_cast<DEVOBJ*>(nullptr), PVOID{nullptr}, DWORD{0}, &written),
        {nullptr, nullptr, &written});
    RECTL area{};
    BOOL done = 0;
    expect_call(13,
                call_slot<HRESULT>(iface, 13, &devobj, PDEV_ADJUST_PAPER_MARGIN_TYPE,
                                   static_cast<PVOID>(&area), DWORD{16}, &done),
                {&devobj, &area, &done}, {PDEV_ADJUST_PAPER_MARGIN_TYPE, 16});
}

class RecordingFactory final : public IClassFactory {
public:
    int last_slot = -1;
    const void* args[3]{};
    BOOL lock = -1;

    HRESULT ZENTA_STDCALL QueryInterface(const IID&, void**) override { return at(0); }
    ULONG ZENTA_STDCALL AddRef() override { return static_cast<ULONG>(at(1)); }
    ULONG ZENTA_STDCALL Release() override { return static_cast<ULONG>(at(2)); }
    HRESULT ZENTA_STDCALL CreateInstance(IUnknown* outer, const IID& riid, void** ppv) override {
        args[0] = outer, args[1] = &riid, args[2] = ppv;
        return at(3);
    }
    HRESULT ZENTA_STDCALL LockServer(BOOL f) override {
        lock = f;
        return at(4);
    }

private:
    HRESULT at(int slot) {
        last_slot = slot;
        return slot_result(slot);
    }
};

TEST(AbiVtable, ClassFactorySlotsInPublishedOrder) {
    RecordingFactory factory;
    void* iface = static_cast<IClassFactory*>(&factory);
    void* out = nullptr;
    EXPECT_EQ((call_slot<HRESULT>(iface, 0, &IID_IClassFactory, &out)), slot_result(0));
    EXPECT_EQ(call_slot<ULONG>(iface, 1), 0x101u);
    EXPECT_EQ(call_slot<ULONG>(iface, 2), 0x102u);
    EXPECT_EQ((call_slot<HRESULT>(iface, 3, static_cast<IUnknown*>(nullptr), &IID_IUnknown, &out)),
              slot_result(3));
    EXPECT_EQ(factory.args[0], nullptr);
    EXPECT_EQ(factory.args[1], &IID_IUnknown);
    EXPECT_EQ(factory.args[2], &out);
    EXPECT_EQ((call_slot<HRESULT>(iface, 4, BOOL{1})), slot_result(4));
    EXPECT_EQ(factory.lock, 1);
}

// ---------------------------------------------------------------------------------------
// Vtables: the plug-in calls the driver's helpers, built here as a C driver builds them

// A COM object as C lays it out: a pointer to a table of function pointers, then data.
struct CObject {
    const Slot* vtbl;
    int last_slot = -1;
    Pointers args{};
    DWORD flags = 0;

    // A method of slot N answers 0x200 + N (unless it says otherwise) and was handed these.
    void expect_call(int slot, int64_t result, Pointers expected_args, DWORD expected_flags) const {
        EXPECT_EQ(result, 0x200 + slot) << "slot " << slot;
        EXPECT_EQ(last_slot, slot);
        EXPECT_EQ(args, expected_args) << "slot " << slot;
        EXPECT_EQ(flags, expected_flags) << "slot " << slot;
    }
};

CObject* self(void* p) { return static_cast<CObject*>(p); }

HRESULT record(void* p, int slot, const void* a0 = nullptr, const void* a1 = nullptr,
               const void* a2 = nullptr, const void* a3 = nullptr) {
    auto* o = self(p);
    o->last_slot = slot;
    o->args = {a0, a1, a2, a3};
    return 0x200 + slot;
}

HRESULT ZENTA_STDCALL c_query_interface(void* p, const IID* riid, void** ppv) {
    *ppv = (*riid == IID_IUnknown) ? p : nullptr;
    return record(p, 0, riid, ppv);
}
ULONG ZENTA_STDCALL c_add_ref(void* p) { return static_cast<ULONG>(record(p, 1)); }
ULONG ZENTA_STDCALL c_release(void* p) { return static_cast<ULONG>(record(p, 2)); }

HRESULT ZENTA_STDCALL c_get_driver_setting(void* p, PVOID driverobj, PCSTR feature, PVOID out, DWORD cb,
                                           PDWORD needed, PDWORD returned) {
    self(p)->flags = cb;
    record(p, 3, driverobj, feature, out, needed);
    return returned != nullptr ? 0x203 : E_POINTER;
}
// DrvWriteSpoolBuf sits in slot 4 of the old helper and slot 3 of the new one.
template <int N>
HRESULT ZENTA_STDCALL c_write_spool_buf(void* p, DEVOBJ* devobj, PVOID buf, DWORD cb, DWORD* result) {
    *result = cb;  // all bytes written
    return record(p, N, devobj, buf, result);
}
HRESULT ZENTA_STDCALL c_get_options(void* p, DEVOBJ* devobj, DWORD flags, PCSTR requested, DWORD cb_in,
                                    PSTR out, DWORD cb, PDWORD needed) {
    self(p)->flags = flags + cb_in + cb;
    return record(p, 4, devobj, requested, out, needed);
}
HRESULT ZENTA_STDCALL c_get_global_attribute(void* p, DEVOBJ* devobj, DWORD flags, PCSTR attribute,
                                             PDWORD type, PBYTE data, DWORD cb, PDWORD needed) {
    self(p)->flags = flags + cb;
    record(p, 5, devobj, attribute, type, data);
    return needed != nullptr ? 0x205 : E_POINTER;
}
HRESULT ZENTA_STDCALL c_get_feature_attribute(void* p, DEVOBJ* devobj, DWORD flags, PCSTR feature,
                                              PCSTR attribute, PDWORD type, PBYTE data, DWORD cb,
                                              PDWORD needed) {
    self(p)->flags = flags + cb;
    record(p, 6, devobj, feature, attribute, data);
    return type != nullptr && needed != nullptr ? 0x206 : E_POINTER;
}
// Answers like the driver: a size query first, then the invocation bytes.
HRESULT ZENTA_STDCALL c_get_option_attribute(void* p, DEVOBJ* devobj, DWORD flags, PCSTR feature,
                                             PCSTR option, PCSTR attribute, PDWORD type, PBYTE data, DWORD cb,
                                             PDWORD needed) {
    static constexpr std::string_view kInvocation = "<</MediaType (Plain)>> setpagedevice";
    self(p)->flags = flags;
    record(p, 7, devobj, feature, option, attribute);
    *type = kADT_BINARY;
    *needed = static_cast<DWORD>(kInvocation.size());
    if (data == nullptr || cb < kInvocation.size()) return E_OUTOFMEMORY;
    std::memcpy(data, kInvocation.data(), kInvocation.size());
    return S_OK;
}
HRESULT ZENTA_STDCALL c_enum_features(void* p, DEVOBJ* devobj, DWORD flags, PSTR list, DWORD cb,
                                      PDWORD needed) {
    self(p)->flags = flags + cb;
    return record(p, 8, devobj, list, needed);
}
HRESULT ZENTA_STDCALL c_enum_options(void* p, DEVOBJ* devobj, DWORD flags, PCSTR feature, PSTR list, DWORD cb,
                                     PDWORD needed) {
    self(p)->flags = flags + cb;
    return record(p, 9, devobj, feature, list, needed);
}

template <class F>
Slot as_slot(F* f) {
    return reinterpret_cast<Slot>(f);
}

TEST(AbiVtable, DriverHelperPsSlotsInPublishedOrder) {
    const Slot vtbl[] = {as_slot(&c_query_interface), as_slot(&c_add_ref), as_slot(&c_release),
                         as_slot(&c_get_driver_setting), as_slot(&c_write_spool_buf<4>)};
    CObject object{vtbl};
    auto* helper = reinterpret_cast<IPrintOemDriverPS*>(&object);

    void* out = nullptr;
    object.expect_call(0, helper->QueryInterface(IID_IUnknown, &out), {&IID_IUnknown, &out}, 0);
    EXPECT_EQ(out, &object);
    object.expect_call(1, helper->AddRef(), {}, 0);
    object.expect_call(2, helper->Release(), {}, 0);

    const char* feature = "Feature";
    char setting[4]{};
    DWORD needed = 0, returned = 0;
    object.expect_call(3, helper->DrvGetDriverSetting(&object, feature, setting, 4, &needed, &returned),
                       {&object, feature, setting, &needed}, 4);

    DEVOBJ devobj{};
    char bytes[] = "%!PS";
    DWORD result = 0;
    object.expect_call(4, helper->DrvWriteSpoolBuf(&devobj, bytes, 4, &result), {&devobj, bytes, &result}, 4);
    EXPECT_EQ(result, 4u);
}

TEST(AbiVtable, CoreHelperPs2SlotsInPublishedOrder) {
    const Slot vtbl[] = {as_slot(&c_query_interface),
                         as_slot(&c_add_ref),
                         as_slot(&c_release),
                         as_slot(&c_write_spool_buf<3>),
                         as_slot(&c_get_options),
                         as_slot(&c_get_global_attribute),
                         as_slot(&c_get_feature_attribute),
                         as_slot(&c_get_option_attribute),
                         as_slot(&c_enum_features),
                         as_slot(&c_enum_options)};
    CObject object{vtbl};
    auto* core = reinterpret_cast<IPrintCorePS2*>(&object);
    DEVOBJ devobj{};
    DWORD needed = 0, type = 0, result = 0;
    char bytes[] = "%%EOF", buf[64]{};
    BYTE data[64]{};
    const char *input_slot = "InputSlot", *media = "MediaType", *plain = "Plain", *invocation = "Invocation";

    object.expect_call(3, core->DrvWriteSpoolBuf(&devobj, bytes, 5, &result), {&devobj, bytes, &result}, 0);
    EXPECT_EQ(result, 5u);
    const char* requested = "InputSlot\0";
    object.expect_call(4, core->GetOptions(&devobj, 1, requested, 11, buf, 64, &needed),
                       {&devobj, requested, buf, &needed}, 1 + 11 + 64);
    const char* level = "LanguageLevel";
    object.expect_call(5, core->GetGlobalAttribute(&devobj, 2, level, &type, data, 64, &needed),
                       {&devobj, level, &type, data}, 2 + 64);
    const char* display_name = "DisplayName";
    object.expect_call(
        6, core->GetFeatureAttribute(&devobj, 3, input_slot, display_name, &type, data, 64, &needed),
        {&devobj, input_slot, display_name, data}, 3 + 64);

    // The two-step query the stream writer makes for a PPD invocation.
    EXPECT_EQ(core->GetOptionAttribute(&devobj, 0, media, plain, invocation, &type, nullptr, 0, &needed),
              E_OUTOFMEMORY);
    EXPECT_EQ(object.last_slot, 7);
    EXPECT_EQ(object.args, (Pointers{&devobj, media, plain, invocation}));
    EXPECT_EQ(type, static_cast<DWORD>(kADT_BINARY));
    ASSERT_EQ(needed, 36u);
    EXPECT_EQ(core->GetOptionAttribute(&devobj, 0, media, plain, invocation, &type, data, needed, &needed),
              S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), needed),
              "<</MediaType (Plain)>> setpagedevice");

    object.expect_call(8, core->EnumFeatures(&devobj, 4, buf, 64, &needed), {&devobj, buf, &needed}, 4 + 64);
    object.expect_call(9, core->EnumOptions(&devobj, 5, input_slot, buf, 64, &needed),
                       {&devobj, input_slot, buf, &needed}, 5 + 64);
}

}  // namespace
}  // namespace zenta::abi
