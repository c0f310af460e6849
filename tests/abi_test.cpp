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

#include "abi/abi.h"

namespace zenta::abi {
namespace {

static_assert(sizeof(void*) == 8, "the driver ABI is declared for 64-bit targets");

// ---------------------------------------------------------------------------------------
// Byte images

template <std::size_t N>
struct Image {
    std::array<uint8_t, N> bytes{};

    void put16(std::size_t at, uint16_t v) {
        for (std::size_t i = 0; i < 2; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void put32(std::size_t at, uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void put64(std::size_t at, uint64_t v) {
        for (std::size_t i = 0; i < 8; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void put_ptr(std::size_t at, const void* p) { put64(at, reinterpret_cast<uintptr_t>(p)); }
    void put_wide(std::size_t at, std::u16string_view s) {
        for (std::size_t i = 0; i < s.size(); ++i) put16(at + 2 * i, s[i]);
    }

    template <class T>
    T as() const {
        static_assert(sizeof(T) == N);
        T t;
        std::memcpy(&t, bytes.data(), N);
        return t;
    }
};

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
// Status codes

static_assert(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER) == E_INVALIDARG);
static_assert(HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY) == E_OUTOFMEMORY);
static_assert(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) == E_ACCESSDENIED);
static_assert(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE) == E_HANDLE);

TEST(AbiStatus, HresultValuesAndWin32Mapping) {
    EXPECT_EQ(static_cast<uint32_t>(E_OUTOFMEMORY), 0x8007000Eu);
    EXPECT_EQ(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)), 0x8007007Au);
    EXPECT_EQ(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)), 0x80070709u);
    EXPECT_EQ(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_MORE_DATA)), 0x800700EAu);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SUCCESS), S_OK);
    // An HRESULT passed in stays as it is.
    EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)), E_FAIL);

    EXPECT_TRUE(succeeded(S_OK));
    EXPECT_TRUE(succeeded(S_FALSE));
    EXPECT_TRUE(failed(E_NOTIMPL));
    EXPECT_TRUE(failed(CLASS_E_CLASSNOTAVAILABLE));
    EXPECT_LT(E_FAIL, 0);
}

// ---------------------------------------------------------------------------------------
// Structures from byte images

TEST(AbiLayout, DevmodeFieldsSitAtTheirPublishedOffsets) {
    Image<220> img;
    img.put_wide(0, u"Zenta PS");
    img.put16(64, 0x0401);        // dmSpecVersion
    img.put16(66, 0x0603);        // dmDriverVersion
    img.put16(68, 220);           // dmSize
    img.put16(70, 27800 + 1024);  // dmDriverExtra
    img.put32(72, 0x00013313);    // dmFields
    img.put16(76, 2);             // dmOrientation
    img.put16(78, 9);             // dmPaperSize
    img.put16(80, 2970);          // dmPaperLength
    img.put16(82, 2100);          // dmPaperWidth
    img.put16(84, 50);            // dmScale
    img.put16(86, 3);             // dmCopies
    img.put16(88, 15);            // dmDefaultSource
    img.put16(90, 0xFFFC);        // dmPrintQuality (-4)
    img.put16(92, 2);             // dmColor
    img.put16(94, 3);             // dmDuplex
    img.put16(96, 1200);          // dmYResolution
    img.put16(98, 4);             // dmTTOption
    img.put16(100, 1);            // dmCollate
    img.put_wide(102, u"A4");
    img.put16(166, 600);         // dmLogPixels
    img.put32(168, 24);          // dmBitsPerPel
    img.put32(172, 4960);        // dmPelsWidth
    img.put32(176, 7016);        // dmPelsHeight
    img.put32(180, 2);           // dmNup
    img.put32(184, 60);          // dmDisplayFrequency
    img.put32(188, 1);           // dmICMMethod
    img.put32(192, 4);           // dmICMIntent
    img.put32(196, 258);         // dmMediaType
    img.put32(200, 3);           // dmDitherType
    img.put32(204, 0x11111111);  // dmReserved1
    img.put32(208, 0x22222222);  // dmReserved2
    img.put32(212, 0x33333333);  // dmPanningWidth
    img.put32(216, 0xA1B2C3D4);  // dmPanningHeight

    const auto dm = img.as<DEVMODEW>();
    EXPECT_EQ(std::u16string(dm.dmDeviceName), u"Zenta PS");
    EXPECT_EQ(dm.dmSpecVersion, DM_SPECVERSION);
    EXPECT_EQ(dm.dmDriverVersion, 0x0603);
    EXPECT_EQ(dm.dmSize, 220);
    EXPECT_EQ(dm.dmDriverExtra, 27800 + 1024);
    EXPECT_EQ(dm.dmFields, DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_DEFAULTSOURCE |
                               DM_DUPLEX | DM_YRESOLUTION | DM_FORMNAME);
    EXPECT_EQ(dm.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dm.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(dm.dmPaperLength, 2970);
    EXPECT_EQ(dm.dmPaperWidth, 2100);
    EXPECT_EQ(dm.dmScale, 50);
    EXPECT_EQ(dm.dmCopies, 3);
    EXPECT_EQ(dm.dmDefaultSource, DMBIN_FORMSOURCE);
    EXPECT_EQ(dm.dmPrintQuality, DMRES_HIGH);
    EXPECT_EQ(dm.dmColor, DMCOLOR_COLOR);
    EXPECT_EQ(dm.dmDuplex, DMDUP_HORIZONTAL);
    EXPECT_EQ(dm.dmYResolution, 1200);
    EXPECT_EQ(dm.dmTTOption, 4);
    EXPECT_EQ(dm.dmCollate, DMCOLLATE_TRUE);
    EXPECT_EQ(std::u16string(dm.dmFormName), u"A4");
    EXPECT_EQ(dm.dmLogPixels, 600);
    EXPECT_EQ(dm.dmBitsPerPel, 24u);
    EXPECT_EQ(dm.dmPelsWidth, 4960u);
    EXPECT_EQ(dm.dmPelsHeight, 7016u);
    EXPECT_EQ(dm.dmNup, DMNUP_ONEUP);
    EXPECT_EQ(dm.dmDisplayFlags, DMNUP_ONEUP);  // the same four bytes
    EXPECT_EQ(dm.dmDisplayFrequency, 60u);
    EXPECT_EQ(dm.dmICMMethod, 1u);
    EXPECT_EQ(dm.dmICMIntent, 4u);
    EXPECT_EQ(dm.dmMediaType, 258u);
    EXPECT_EQ(dm.dmDitherType, 3u);
    EXPECT_EQ(dm.dmReserved1, 0x11111111u);
    EXPECT_EQ(dm.dmReserved2, 0x22222222u);
    EXPECT_EQ(dm.dmPanningWidth, 0x33333333u);
    EXPECT_EQ(dm.dmPanningHeight, 0xA1B2C3D4u);
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
    DEVMODEW public_dm{};
    uint8_t plugin_block[32]{};
    int engine = 0, printer = 0, oem = 0, pdev = 0;

    Image<64> dev;
    dev.put32(0, 64);
    dev.put_ptr(8, &pdev);
    dev.put_ptr(16, &engine);
    dev.put_ptr(24, &printer);
    dev.put_ptr(32, &oem);
    dev.put_ptr(40, &public_dm);
    dev.put_ptr(48, plugin_block);
    dev.put64(56, 0);
    const auto d = dev.as<DEVOBJ>();
    EXPECT_EQ(d.dwSize, 64u);
    EXPECT_EQ(d.pdevOEM, &pdev);
    EXPECT_EQ(d.hEngine, &engine);
    EXPECT_EQ(d.hPrinter, &printer);
    EXPECT_EQ(d.hOEM, &oem);
    EXPECT_EQ(d.pPublicDM, &public_dm);
    EXPECT_EQ(d.pOEMDM, plugin_block);
    EXPECT_EQ(d.pDrvProcs, nullptr);

    DEVMODEW public_out{};
    uint8_t block_out[32]{};
    Image<72> call;
    call.put32(0, 72);
    call.put_ptr(8, &engine);
    call.put_ptr(16, &printer);
    call.put_ptr(24, &oem);
    call.put_ptr(32, &public_dm);
    call.put_ptr(40, &public_out);
    call.put_ptr(48, plugin_block);
    call.put_ptr(56, block_out);
    call.put32(64, 27800);
    const auto p = call.as<OEMDMPARAM>();
    EXPECT_EQ(p.cbSize, 72u);
    EXPECT_EQ(p.pdriverobj, &engine);
    EXPECT_EQ(p.hPrinter, &printer);
    EXPECT_EQ(p.hModule, &oem);
    EXPECT_EQ(p.pPublicDMIn, &public_dm);
    EXPECT_EQ(p.pPublicDMOut, &public_out);
    EXPECT_EQ(p.pOEMDMIn, plugin_block);
    EXPECT_EQ(p.pOEMDMOut, block_out);
    EXPECT_EQ(p.cbBufSize, 27800u);
}

TEST(AbiLayout, GdiInfoPageFields) {
    Image<320> img;
    img.put32(0, 0x5000);                           // ulVersion
    img.put32(4, 2);                                // ulTechnology
    img.put32(8, static_cast<uint32_t>(-203200));   // ulHorzSize, micrometres
    img.put32(12, static_cast<uint32_t>(-289560));  // ulVertSize
    img.put32(16, 4800);                            // ulHorzRes
    img.put32(20, 6840);                            // ulVertRes
    img.put32(40, 600);                             // ulLogPixelsX
    img.put32(44, 600);                             // ulLogPixelsY
    img.put32(76, 0xFFFFFFFF);                      // xStyleStep
    img.put32(84, 7);                               // denStyleStep
    img.put32(88, 100);                             // ptlPhysOffset.x
    img.put32(92, 120);                             // ptlPhysOffset.y
    img.put32(96, 4960);                            // szlPhysSize.cx
    img.put32(100, 7016);                           // szlPhysSize.cy
    img.put32(104, 256);                            // ulNumPalReg
    img.put32(108, 6400);                           // ciDevice.Red.x
    img.put32(224, 1234);                           // ciDevice.MagentaInYellowDye
    img.put32(228, 600);                            // ulDevicePelsDPI
    img.put32(276, 16);                             // cyHTPat
    img.put64(280, 0x1000);                         // pHTPatA
    img.put64(296, 0x3000);                         // pHTPatC
    img.put32(304, 0x55);                           // flShadeBlend
    img.put32(312, 2200);                           // ulPhysicalPixelGamma

    const auto g = img.as<GDIINFO>();
    EXPECT_EQ(g.ulVersion, 0x5000u);
    EXPECT_EQ(g.ulTechnology, 2u);
    EXPECT_EQ(static_cast<LONG>(g.ulHorzSize), -203200);
    EXPECT_EQ(static_cast<LONG>(g.ulVertSize), -289560);
    EXPECT_EQ(g.ulHorzRes, 4800u);
    EXPECT_EQ(g.ulVertRes, 6840u);
    EXPECT_EQ(g.ulLogPixelsX, 600u);
    EXPECT_EQ(g.ulLogPixelsY, 600u);
    EXPECT_EQ(g.xStyleStep, -1);
    EXPECT_EQ(g.denStyleStep, 7);
    EXPECT_EQ(g.ptlPhysOffset.x, 100);
    EXPECT_EQ(g.ptlPhysOffset.y, 120);
    EXPECT_EQ(g.szlPhysSize.cx, 4960);
    EXPECT_EQ(g.szlPhysSize.cy, 7016);
    EXPECT_EQ(g.ulNumPalReg, 256u);
    EXPECT_EQ(g.ciDevice.Red.x, 6400);
    EXPECT_EQ(g.ciDevice.MagentaInYellowDye, 1234);
    EXPECT_EQ(g.ulDevicePelsDPI, 600u);
    EXPECT_EQ(g.cyHTPat, 16u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(g.pHTPatA), 0x1000u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(g.pHTPatC), 0x3000u);
    EXPECT_EQ(g.flShadeBlend, 0x55u);
    EXPECT_EQ(g.ulPhysicalPixelGamma, 2200u);
}

TEST(AbiLayout, SurfaceObjectCarriesDeviceAndSize) {
    DEVOBJ devobj{};
    Image<80> img;
    img.put_ptr(16, &devobj);   // dhpdev
    img.put32(32, 4960);        // sizlBitmap.cx
    img.put32(36, 7016);        // sizlBitmap.cy
    img.put32(40, 123456);      // cjBits
    img.put32(64, 0xFFFFFF00);  // lDelta
    img.put16(76, 1);           // iType
    img.put16(78, 2);           // fjBitmap
    const auto s = img.as<SURFOBJ>();
    EXPECT_EQ(reinterpret_cast<DEVOBJ*>(s.dhpdev), &devobj);
    EXPECT_EQ(s.sizlBitmap.cx, 4960);
    EXPECT_EQ(s.sizlBitmap.cy, 7016);
    EXPECT_EQ(s.cjBits, 123456u);
    EXPECT_EQ(s.lDelta, -256);
    EXPECT_EQ(s.iType, 1);
    EXPECT_EQ(s.fjBitmap, 2);
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
    table.put32(0, 18);   // INDEX_DrvBitBlt, no function
    table.put32(16, 24);  // INDEX_DrvEscape
    table.put_ptr(24, reinterpret_cast<const void*>(to_pfn(&driver_escape)));
    const auto fns = table.as<std::array<DRVFN, 2>>();
    DRVFN copy[2];
    std::memcpy(copy, fns.data(), sizeof copy);

    Image<16> enable;
    enable.put32(0, PRINTER_OEMINTF_VERSION);
    enable.put32(4, 2);
    enable.put_ptr(8, copy);
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
    const ULONG ours[] = {INDEX_DrvRealizeBrush,
                          INDEX_DrvCopyBits,
                          INDEX_DrvBitBlt,
                          INDEX_DrvStretchBlt,
                          INDEX_DrvStretchBltROP,
                          INDEX_DrvPlgBlt,
                          INDEX_DrvTransparentBlt,
                          INDEX_DrvAlphaBlend,
                          INDEX_DrvGradientFill,
                          INDEX_DrvTextOut,
                          INDEX_DrvStrokePath,
                          INDEX_DrvFillPath,
                          INDEX_DrvStrokeAndFillPath,
                          INDEX_DrvStartPage,
                          INDEX_DrvSendPage,
                          INDEX_DrvEscape,
                          INDEX_DrvStartDoc,
                          INDEX_DrvEndDoc,
                          INDEX_DrvQueryFont,
                          INDEX_DrvQueryFontTree,
                          INDEX_DrvQueryFontData,
                          INDEX_DrvQueryAdvanceWidths,
                          INDEX_DrvFontManagement,
                          INDEX_DrvGetGlyphMode,
                          INDEX_DrvIcmCreateColorTransform,
                          INDEX_DrvIcmDeleteColorTransform,
                          INDEX_DrvQueryDeviceSupport};
    const ULONG published[] = {12, 19, 18, 20, 69, 70, 74, 71, 68, 23, 14, 15, 16, 33,
                               32, 24, 35, 34, 26, 27, 28, 53, 47, 37, 64, 65, 76};
    static_assert(std::size(ours) == 27 && std::size(published) == 27);
    for (std::size_t i = 0; i < 27; ++i) EXPECT_EQ(ours[i], published[i]) << "position " << i;
}

// ---------------------------------------------------------------------------------------
// Vtables: the driver calls the plug-in through raw slots

using Slot = void (*)();

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
    const void* p[4]{};
    DWORD d[3]{};

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
        p[0] = p0, p[1] = p1, p[2] = p2, p[3] = p3;
        d[0] = d0, d[1] = d1, d[2] = d2;
        return slot_result(slot);
    }
};

TEST(AbiVtable, RenderPluginSlotsInPublishedOrder) {
    RecordingPlugin plugin;
    void* iface = static_cast<IPrintOemPS2*>(&plugin);
    ASSERT_EQ(iface, static_cast<IUnknown*>(&plugin));  // one vtable pointer, at the start

    void* out = nullptr;
    EXPECT_EQ((call_slot<HRESULT>(iface, 0, &IID_IPrintOemPS2, &out)), slot_result(0));
    EXPECT_EQ(plugin.p[0], &IID_IPrintOemPS2);
    EXPECT_EQ(plugin.p[1], &out);
    EXPECT_EQ(call_slot<ULONG>(iface, 1), 0x101u);
    EXPECT_EQ(call_slot<ULONG>(iface, 2), 0x102u);

    DWORD value = 0, needed = 0;
    EXPECT_EQ(
        (call_slot<HRESULT>(iface, 3, OEMGI_GETSIGNATURE, static_cast<PVOID>(&value), DWORD{4}, &needed)),
        slot_result(3));
    EXPECT_EQ(plugin.last_slot, 3);
    EXPECT_EQ(plugin.d[0], OEMGI_GETSIGNATURE);
    EXPECT_EQ(plugin.d[1], 4u);
    EXPECT_EQ(plugin.p[0], &value);
    EXPECT_EQ(plugin.p[1], &needed);

    OEMDMPARAM param{};
    EXPECT_EQ((call_slot<HRESULT>(iface, 4, OEMDM_MERGE, &param)), slot_result(4));
    EXPECT_EQ(plugin.d[0], OEMDM_MERGE);
    EXPECT_EQ(plugin.p[0], &param);

    DRVENABLEDATA ded{};
    EXPECT_EQ((call_slot<HRESULT>(iface, 5, PRINTER_OEMINTF_VERSION, DWORD{16}, &ded)), slot_result(5));
    EXPECT_EQ(plugin.d[0], PRINTER_OEMINTF_VERSION);
    EXPECT_EQ(plugin.d[1], 16u);
    EXPECT_EQ(plugin.p[0], &ded);

    EXPECT_EQ(call_slot<HRESULT>(iface, 6), slot_result(6));
    EXPECT_EQ(plugin.last_slot, 6);

    DEVOBJ devobj{}, other{};
    char16_t name[] = u"Printer";
    HSURF surfaces[1]{};
    GDIINFO gdi{};
    DEVINFO dev{};
    PDEVOEM pdev = nullptr;
    EXPECT_EQ(
        (call_slot<HRESULT>(iface, 7, &devobj, static_cast<PWSTR>(name), ULONG{6},
                            static_cast<HSURF*>(surfaces), ULONG{320}, &gdi, ULONG{312}, &dev, &ded, &pdev)),
        slot_result(7));
    EXPECT_EQ(plugin.p[0], &devobj);
    EXPECT_EQ(plugin.p[1], &gdi);
    EXPECT_EQ(plugin.p[2], &ded);
    EXPECT_EQ(plugin.p[3], &pdev);
    EXPECT_EQ(plugin.d[0], 6u);
    EXPECT_EQ(plugin.d[1], 320u);
    EXPECT_EQ(plugin.d[2], 312u);

    EXPECT_EQ((call_slot<HRESULT>(iface, 8, &devobj)), slot_result(8));
    EXPECT_EQ(plugin.p[0], &devobj);
    EXPECT_EQ((call_slot<HRESULT>(iface, 9, &devobj, &other)), slot_result(9));
    EXPECT_EQ(plugin.p[0], &devobj);
    EXPECT_EQ(plugin.p[1], &other);

    RecordingPlugin helper;
    EXPECT_EQ((call_slot<HRESULT>(iface, 10, static_cast<IUnknown*>(&helper))), slot_result(10));
    EXPECT_EQ(plugin.p[0], static_cast<IUnknown*>(&helper));

    char data[8]{};
    DWORD result = 0;
    EXPECT_EQ((call_slot<HRESULT>(iface, 11, &devobj, PSINJECT_BEGINPAGESETUP, static_cast<PVOID>(data),
                                  DWORD{8}, &result)),
              slot_result(11));
    EXPECT_EQ(plugin.last_slot, 11);
    EXPECT_EQ(plugin.d[0], PSINJECT_BEGINPAGESETUP);
    EXPECT_EQ(plugin.d[1], 8u);
    EXPECT_EQ(plugin.p[1], data);
    EXPECT_EQ(plugin.p[2], &result);

    DWORD written = 0;
    EXPECT_EQ(
        (call_slot<HRESULT>(iface, 12, static_cast<DEVOBJ*>(nullptr), PVOID{nullptr}, DWORD{0}, &written)),
        slot_result(12));
    EXPECT_EQ(plugin.p[0], nullptr);
    EXPECT_EQ(plugin.p[2], &written);

    RECTL area{};
    BOOL done = 0;
    EXPECT_EQ((call_slot<HRESULT>(iface, 13, &devobj, PDEV_ADJUST_PAPER_MARGIN_TYPE,
                                  static_cast<PVOID>(&area), DWORD{16}, &done)),
              slot_result(13));
    EXPECT_EQ(plugin.last_slot, 13);
    EXPECT_EQ(plugin.d[0], PDEV_ADJUST_PAPER_MARGIN_TYPE);
    EXPECT_EQ(plugin.d[1], 16u);
    EXPECT_EQ(plugin.p[1], &area);
    EXPECT_EQ(plugin.p[2], &done);
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
    const void* args[4]{};
    DWORD flags = 0;
};

CObject* self(void* p) { return static_cast<CObject*>(p); }

HRESULT record(void* p, int slot, const void* a0 = nullptr, const void* a1 = nullptr,
               const void* a2 = nullptr, const void* a3 = nullptr) {
    auto* o = self(p);
    o->last_slot = slot;
    o->args[0] = a0, o->args[1] = a1, o->args[2] = a2, o->args[3] = a3;
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
    EXPECT_EQ(helper->QueryInterface(IID_IUnknown, &out), 0x200);
    EXPECT_EQ(out, &object);
    EXPECT_EQ(object.args[0], &IID_IUnknown);
    EXPECT_EQ(helper->AddRef(), 0x201u);
    EXPECT_EQ(helper->Release(), 0x202u);

    char setting[4]{};
    DWORD needed = 0, returned = 0;
    EXPECT_EQ(helper->DrvGetDriverSetting(&object, "Feature", setting, 4, &needed, &returned), 0x203);
    EXPECT_EQ(object.last_slot, 3);
    EXPECT_EQ(object.args[0], &object);
    EXPECT_STREQ(static_cast<const char*>(object.args[1]), "Feature");
    EXPECT_EQ(object.args[2], setting);
    EXPECT_EQ(object.args[3], &needed);
    EXPECT_EQ(object.flags, 4u);

    DEVOBJ devobj{};
    char bytes[] = "%!PS";
    DWORD result = 0;
    EXPECT_EQ(helper->DrvWriteSpoolBuf(&devobj, bytes, 4, &result), 0x204);
    EXPECT_EQ(object.last_slot, 4);
    EXPECT_EQ(object.args[0], &devobj);
    EXPECT_EQ(object.args[1], bytes);
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
    DWORD needed = 0, type = 0;

    char bytes[] = "%%EOF";
    DWORD result = 0;
    EXPECT_EQ(core->DrvWriteSpoolBuf(&devobj, bytes, 5, &result), 0x203);
    EXPECT_EQ(object.last_slot, 3);
    EXPECT_EQ(result, 5u);

    char buf[64]{};
    EXPECT_EQ(core->GetOptions(&devobj, 1, "InputSlot\0", 11, buf, 64, &needed), 0x204);
    EXPECT_EQ(object.last_slot, 4);
    EXPECT_EQ(object.flags, 1u + 11u + 64u);
    EXPECT_EQ(object.args[2], buf);

    BYTE data[64]{};
    EXPECT_EQ(core->GetGlobalAttribute(&devobj, 2, "LanguageLevel", &type, data, 64, &needed), 0x205);
    EXPECT_EQ(object.last_slot, 5);
    EXPECT_EQ(object.flags, 66u);
    EXPECT_EQ(object.args[2], &type);

    EXPECT_EQ(core->GetFeatureAttribute(&devobj, 3, "InputSlot", "DisplayName", &type, data, 64, &needed),
              0x206);
    EXPECT_EQ(object.last_slot, 6);
    EXPECT_STREQ(static_cast<const char*>(object.args[2]), "DisplayName");

    // The two-step query the stream writer makes for a PPD invocation.
    EXPECT_EQ(
        core->GetOptionAttribute(&devobj, 0, "MediaType", "Plain", "Invocation", &type, nullptr, 0, &needed),
        E_OUTOFMEMORY);
    EXPECT_EQ(object.last_slot, 7);
    EXPECT_EQ(type, static_cast<DWORD>(kADT_BINARY));
    EXPECT_STREQ(static_cast<const char*>(object.args[1]), "MediaType");
    EXPECT_STREQ(static_cast<const char*>(object.args[2]), "Plain");
    EXPECT_STREQ(static_cast<const char*>(object.args[3]), "Invocation");
    ASSERT_EQ(needed, 36u);
    EXPECT_EQ(core->GetOptionAttribute(&devobj, 0, "MediaType", "Plain", "Invocation", &type, data, needed,
                                       &needed),
              S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), needed),
              "<</MediaType (Plain)>> setpagedevice");

    EXPECT_EQ(core->EnumFeatures(&devobj, 4, buf, 64, &needed), 0x208);
    EXPECT_EQ(object.last_slot, 8);
    EXPECT_EQ(object.flags, 68u);
    EXPECT_EQ(core->EnumOptions(&devobj, 5, "InputSlot", buf, 64, &needed), 0x209);
    EXPECT_EQ(object.last_slot, 9);
    EXPECT_STREQ(static_cast<const char*>(object.args[1]), "InputSlot");
    EXPECT_EQ(object.args[2], buf);
}

}  // namespace
}  // namespace zenta::abi
