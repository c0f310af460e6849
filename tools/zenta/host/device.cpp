#include "host/device.h"

#include <algorithm>
#include <mutex>
#include <tuple>
#include <type_traits>
#include <utility>

namespace zenta::host {

using namespace abi;

namespace {

// ---- the device registry, through which a DDI function finds the device it was called for

std::mutex& registry_mutex() {
    static std::mutex m;
    return m;
}
std::vector<Device*>& live_devices() {
    static std::vector<Device*> devices;
    return devices;
}
std::vector<DdiCall>& unattributed() {
    static std::vector<DdiCall> calls;
    return calls;
}

Device* find_locked(const void* devobj) {
    if (!devobj) return nullptr;
    for (Device* device : live_devices())
        if (static_cast<const void*>(device->devobj()) == devobj) return device;
    return nullptr;
}

void record_call(ULONG index, const void* devobj, std::vector<std::uint64_t> args) {
    std::lock_guard lock(registry_mutex());
    DdiCall call{index, std::move(args)};
    if (Device* device = find_locked(devobj))
        device->record(std::move(call));
    else
        unattributed().push_back(std::move(call));
}

// ---- the stand-in's DDI functions

// The device object of a call: the dhpdev of a surface argument, or a dhpdev argument.
const void* devobj_in(SURFOBJ* surface) { return surface ? surface->dhpdev : nullptr; }
const void* devobj_in(DHPDEV dhpdev) { return dhpdev; }
template <class T>
const void* devobj_in(T) {
    return nullptr;
}

template <class T>
std::uint64_t as_word(T value) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<std::uintptr_t>(value);
    else
        return static_cast<std::uint64_t>(value);
}

template <class R>
R result_for(ULONG index) {
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(static_cast<std::uintptr_t>(ddi_result(index)));
    else
        return static_cast<R>(ddi_result(index));
}

constexpr bool is_document_step(ULONG index) {
    return index == INDEX_DrvStartDoc || index == INDEX_DrvStartPage || index == INDEX_DrvSendPage ||
           index == INDEX_DrvEndDoc;
}

// The driver's work for a document step, when a document is printed on the surface's device;
// true when there is none.
template <ULONG Index, class... A>
bool document_step(A... args) {
    const auto arguments = std::make_tuple(args...);
    SURFOBJ* pso = std::get<0>(arguments);
    Device* device = Device::find(pso ? pso->dhpdev : nullptr);
    DocumentDriver* driver = device ? device->document_driver() : nullptr;
    if (!driver) return true;
    try {
        if constexpr (Index == INDEX_DrvStartDoc)
            return driver->start_doc(pso, std::get<1>(arguments), std::get<2>(arguments));
        else if constexpr (Index == INDEX_DrvStartPage)
            return driver->start_page(pso);
        else if constexpr (Index == INDEX_DrvSendPage)
            return driver->send_page(pso);
        else
            return driver->end_doc(pso, std::get<1>(arguments));
    } catch (...) {
        return false;
    }
}

// The function of DDI index `Index` with the prototype `Fn`: records the call in the log of
// the device it was made for (the first surface or dhpdev argument that leads to one) and
// returns ddi_result(Index); a document step of a device that prints a document runs first and
// answers FALSE when it fails.
template <ULONG Index, class Fn>
struct Stub;

template <ULONG Index, class R, class... A>
struct Stub<Index, R(ZENTA_STDCALL*)(A...)> {
    static R ZENTA_STDCALL call(A... args) {
        try {
            const void* devobj = nullptr;
            ((devobj = devobj ? devobj : devobj_in(args)), ...);
            record_call(Index, devobj, {as_word(args)...});
        } catch (...) {
            // Out of memory: the call goes unrecorded, the caller still gets its answer.
        }
        if constexpr (is_document_step(Index)) {
            if (!document_step<Index>(args...)) return R{};
        }
        return result_for<R>(Index);
    }
};

// Every DDI function the render plug-in hooks, in ascending DDI index.
// clang-format off
#define ZENTA_HOST_DDI_FUNCTIONS(X) \
    X(RealizeBrush) X(StrokePath) X(FillPath) X(StrokeAndFillPath) X(BitBlt) \
    X(CopyBits) X(StretchBlt) X(TextOut) X(Escape) X(QueryFont) \
    X(QueryFontTree) X(QueryFontData) X(SendPage) X(StartPage) X(EndDoc) \
    X(StartDoc) X(GetGlyphMode) X(FontManagement) X(QueryAdvanceWidths) X(IcmCreateColorTransform) \
    X(IcmDeleteColorTransform) X(GradientFill) X(StretchBltROP) X(PlgBlt) X(AlphaBlend) \
    X(TransparentBlt) X(QueryDeviceSupport)
// clang-format on

#define ZENTA_HOST_DDI_ENTRY(Name) \
    DRVFN{INDEX_Drv##Name, to_pfn(&Stub<INDEX_Drv##Name, PFN_Drv##Name>::call)},

const std::vector<DRVFN>& function_list() {
    static const std::vector<DRVFN> functions = [] {
        std::vector<DRVFN> list{ZENTA_HOST_DDI_FUNCTIONS(ZENTA_HOST_DDI_ENTRY)};
        std::sort(list.begin(), list.end(), [](const DRVFN& a, const DRVFN& b) { return a.iFunc < b.iFunc; });
        return list;
    }();
    return functions;
}

#undef ZENTA_HOST_DDI_ENTRY
#undef ZENTA_HOST_DDI_FUNCTIONS

}  // namespace

std::span<const DRVFN> ddi_functions() { return function_list(); }

PFN ddi_function(ULONG index) {
    for (const DRVFN& f : function_list())
        if (f.iFunc == index) return f.pfn;
    return nullptr;
}

// ---- DriverTable

DriverTable::DriverTable() : entries_(function_list()) { refresh(); }

DriverTable::DriverTable(const DriverTable& other) : entries_(other.entries_) { refresh(); }

DriverTable& DriverTable::operator=(const DriverTable& other) {
    entries_ = other.entries_;
    refresh();
    return *this;
}

void DriverTable::omit(ULONG index) {
    std::erase_if(entries_, [index](const DRVFN& f) { return f.iFunc == index; });
    refresh();
}

void DriverTable::restore() {
    entries_ = function_list();
    refresh();
}

void DriverTable::refresh() {
    data_.iDriverVersion = PRINTER_OEMINTF_VERSION;
    data_.c = static_cast<ULONG>(entries_.size());
    data_.pdrvfn = entries_.empty() ? nullptr : entries_.data();
}

// ---- Device

Device::Device() : gdi_info_(default_gdi_info()), printer_name_(u"Zenta Production Printer") {
    devobj_.dwSize = sizeof(DEVOBJ);
    std::lock_guard lock(registry_mutex());
    live_devices().push_back(this);
}

Device::~Device() {
    std::lock_guard lock(registry_mutex());
    std::erase(live_devices(), this);
}

void Device::set_printer_name(std::u16string_view name) { printer_name_.assign(name); }

SURFOBJ* Device::surface() {
    surface_.dhpdev = reinterpret_cast<DHPDEV>(&devobj_);
    surface_.sizlBitmap = {static_cast<LONG>(gdi_info_.ulHorzRes), static_cast<LONG>(gdi_info_.ulVertRes)};
    return &surface_;
}

void Device::record(DdiCall call) { calls_.push_back(std::move(call)); }

Device* Device::find(const void* devobj) {
    std::lock_guard lock(registry_mutex());
    return find_locked(devobj);
}

GDIINFO Device::default_gdi_info() {
    constexpr ULONG kDpi = 600;
    constexpr LONG kSheetWidth = 4961;   // 210 mm
    constexpr LONG kSheetHeight = 7016;  // 297 mm
    constexpr LONG kMargin = 100;
    GDIINFO g{};
    g.ulVersion = 0x4000;  // GDI_DRIVER_VERSION
    g.ulTechnology = 2;    // DT_RASPRINTER
    g.ulHorzRes = static_cast<ULONG>(kSheetWidth - 2 * kMargin);
    g.ulVertRes = static_cast<ULONG>(kSheetHeight - 2 * kMargin);
    g.ulHorzSize = (g.ulHorzRes * 254 + kDpi * 5) / (kDpi * 10);  // millimetres, rounded
    g.ulVertSize = (g.ulVertRes * 254 + kDpi * 5) / (kDpi * 10);
    g.cBitsPixel = 24;
    g.cPlanes = 1;
    g.ulNumColors = 0xFFFFFFFFu;
    g.ulLogPixelsX = kDpi;
    g.ulLogPixelsY = kDpi;
    g.ulAspectX = kDpi;
    g.ulAspectY = kDpi;
    g.ulAspectXY = 849;  // the diagonal of a 600 x 600 step
    g.xStyleStep = 1;
    g.yStyleStep = 1;
    g.denStyleStep = 3;
    g.ptlPhysOffset = {kMargin, kMargin};
    g.szlPhysSize = {kSheetWidth, kSheetHeight};
    g.ulDevicePelsDPI = kDpi;
    g.ulPrimaryOrder = 4;    // PRIMARY_ORDER_CBA
    g.ulHTPatternSize = 17;  // HT_PATSIZE_SUPERCELL_M
    g.ulHTOutputFormat = 6;  // HT_FORMAT_24BPP
    return g;
}

std::vector<DdiCall> unattributed_ddi_calls() {
    std::lock_guard lock(registry_mutex());
    return unattributed();
}

void clear_unattributed_ddi_calls() {
    std::lock_guard lock(registry_mutex());
    unattributed().clear();
}

}  // namespace zenta::host
