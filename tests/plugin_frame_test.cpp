// The plug-in frame as the core driver meets it: the plug-in library beside this test program
// is loaded by the core-driver stand-in and called only through its exports and interface
// pointers: class object, class factory, render object, GetInfo, the helper interfaces,
// the hook table, the PDEV and every hook's forwarding to the driver's own DDI function.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "abi/abi.h"
#include "host/core_driver.h"
#include "platform/last_error.h"
#include "settings/layout_version.h"
#include "settings/record.h"
#include "util/byte_order.h"

namespace zenta {
namespace {

using namespace abi;
using host::ComPtr;

constexpr DWORD kSignature = 0x5A545156;  // "ZTQV"
constexpr DWORD kNotSupported = 50;       // Command at a point the plug-in does not take part in
void* const kSentinel = reinterpret_cast<void*>(std::uintptr_t{0x5E5E5E5E});

// The object's reference count, read without changing it.
ULONG refs(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// Every interface an object offers answers with the object itself and one more reference; every
// other one answers E_NOINTERFACE with the output pointer emptied and the count unchanged.
void expect_interfaces(IUnknown* object, std::initializer_list<const IID*> offered,
                       std::initializer_list<const IID*> refused) {
    const ULONG start = refs(object);
    std::vector<IUnknown*> held;
    for (const IID* iid : offered) {
        void* out = nullptr;
        ASSERT_EQ(object->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<void*>(object));
        held.push_back(static_cast<IUnknown*>(out));
        EXPECT_EQ(refs(object), start + held.size());
    }
    for (const IID* iid : refused) {
        void* out = kSentinel;
        EXPECT_EQ(object->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    const ULONG all = start + static_cast<ULONG>(held.size());
    EXPECT_EQ(refs(object), all);
    EXPECT_EQ(object->AddRef(), all + 1);
    EXPECT_EQ(object->Release(), all);
    for (ULONG left = all; left > start; --left) EXPECT_EQ(object->Release(), left - 1);
}

// ---------------------------------------------------------------------------------------
// The hook table the driver must receive: position, DDI index and the function's prototype.

template <ULONG Index, class Fn>
struct HookCase {
    static constexpr ULONG index = Index;
    using Prototype = Fn;
};

// clang-format off
using HookCases = std::tuple<
    HookCase<12, PFN_DrvRealizeBrush>,   HookCase<19, PFN_DrvCopyBits>,       HookCase<18, PFN_DrvBitBlt>,
    HookCase<20, PFN_DrvStretchBlt>,     HookCase<69, PFN_DrvStretchBltROP>,  HookCase<70, PFN_DrvPlgBlt>,
    HookCase<74, PFN_DrvTransparentBlt>, HookCase<71, PFN_DrvAlphaBlend>,     HookCase<68, PFN_DrvGradientFill>,
    HookCase<23, PFN_DrvTextOut>,        HookCase<14, PFN_DrvStrokePath>,     HookCase<15, PFN_DrvFillPath>,
    HookCase<16, PFN_DrvStrokeAndFillPath>,                HookCase<33, PFN_DrvStartPage>,
    HookCase<32, PFN_DrvSendPage>,       HookCase<24, PFN_DrvEscape>,         HookCase<35, PFN_DrvStartDoc>,
    HookCase<34, PFN_DrvEndDoc>,         HookCase<26, PFN_DrvQueryFont>,      HookCase<27, PFN_DrvQueryFontTree>,
    HookCase<28, PFN_DrvQueryFontData>,  HookCase<53, PFN_DrvQueryAdvanceWidths>,
    HookCase<47, PFN_DrvFontManagement>, HookCase<37, PFN_DrvGetGlyphMode>,
    HookCase<64, PFN_DrvIcmCreateColorTransform>,          HookCase<65, PFN_DrvIcmDeleteColorTransform>,
    HookCase<76, PFN_DrvQueryDeviceSupport>>;
// clang-format on

constexpr std::size_t kHookCount = std::tuple_size_v<HookCases>;
static_assert(kHookCount == 27);
constexpr ULONG kRealizeBrush = 12;
constexpr ULONG kPlgBlt = 70;
constexpr ULONG kBitBlt = 18;
constexpr ULONG kQueryFontData = 28;

// Calls f(position, HookCase) for every hook in table order.
template <class F>
void for_each_hook(F&& f) {
    [&]<std::size_t... P>(std::index_sequence<P...>) { (f(P, std::tuple_element_t<P, HookCases>{}), ...); }
    (std::make_index_sequence<kHookCount>{});
}

template <class T>
std::uint64_t word(T value) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<std::uintptr_t>(value);
    else
        return static_cast<std::uint64_t>(value);
}

// Distinct arguments for one call on a device: surfaces of the device for SURFOBJ*, the
// DEVOBJ for a dhpdev, a real text for the document name, other pointers into a zeroed arena
// (safe to read), and numbers that no other argument has and that no escape filter reacts to.
class Arguments {
public:
    explicit Arguments(host::Device& device) : device_(device) {
        for (SURFOBJ& s : surfaces_) s = *device.surface();
    }

    template <class T>
    T make(std::size_t position) {
        if constexpr (std::is_same_v<T, SURFOBJ*>)
            return &surfaces_.at(position);
        else if constexpr (std::is_same_v<T, DHPDEV>)
            return reinterpret_cast<DHPDEV>(device_.devobj());
        else if constexpr (std::is_same_v<T, PWSTR>)
            return document_name_.data();
        else if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(arena_.data() + 8 * position);
        else
            return static_cast<T>(0x7A000 + 0x10 * position + 1);
    }

private:
    host::Device& device_;
    std::array<SURFOBJ, 16> surfaces_{};
    std::u16string document_name_ = u"Forwarding check";
    alignas(8) std::array<std::uint64_t, 8 * 16> arena_{};
};

// What a call through a hook gave: its result and the arguments it was made with.
struct Outcome {
    std::uint64_t result = 0;
    std::vector<std::uint64_t> args;
};

template <class Fn>
struct Call;

template <class R, class... A>
struct Call<R(ZENTA_STDCALL*)(A...)> {
    static Outcome run(PFN hook, Arguments& made) { return run(hook, made, std::index_sequence_for<A...>{}); }

    template <std::size_t... I>
    static Outcome run(PFN hook, Arguments& made, std::index_sequence<I...>) {
        const std::tuple<A...> args{made.make<A>(I)...};
        const R r = from_pfn<R(ZENTA_STDCALL*)(A...)>(hook)(std::get<I>(args)...);
        return {word(r), {word(std::get<I>(args))...}};
    }
};

// ---------------------------------------------------------------------------------------
// The library and its objects, reached through the exports only.

class PluginFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.load(host::PluginModule::default_path())) << module_.error();
    }

    HRESULT get_class_object(const CLSID& clsid, const IID& iid, void** ppv) {
        return module_.get_class_object()(clsid, iid, ppv);
    }
    ComPtr<IClassFactory> factory() {
        ComPtr<IClassFactory> f;
        EXPECT_EQ(get_class_object(CLSID_OEMRENDER, IID_IClassFactory, f.put()), S_OK);
        return f;
    }
    ComPtr<IPrintOemPS2> render_object() {
        ComPtr<IPrintOemPS2> object;
        if (ComPtr<IClassFactory> f = factory()) {
            EXPECT_EQ(f->CreateInstance(nullptr, IID_IPrintOemPS2, object.put()), S_OK);
        }
        return object;
    }

    host::PluginModule module_;
};

// ---- class object and class factory

TEST_F(PluginFrame, ClassObjectIsServedOnlyForTheRenderClass) {
    CLSID other_last = CLSID_OEMRENDER;
    other_last.Data4[7] ^= 1;
    CLSID other_first = CLSID_OEMRENDER;
    other_first.Data1 ^= 0x80000000u;
    for (const CLSID& clsid : {IID_IUnknown, IID_IClassFactory, other_last, other_first}) {
        void* out = kSentinel;
        EXPECT_EQ(get_class_object(clsid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(out, nullptr);
    }
    // The output pointer is checked before the class.
    for (const CLSID& clsid : {CLSID_OEMRENDER, other_last})
        EXPECT_EQ(get_class_object(clsid, IID_IClassFactory, nullptr), static_cast<HRESULT>(0x8007000Eu));

    // The right class for an interface the factory does not have.
    void* out = kSentinel;
    EXPECT_EQ(get_class_object(CLSID_OEMRENDER, IID_IPrintOemPS, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(get_class_object(CLSID_OEMRENDER, IID_IUnknown, unknown.put()), S_OK);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(refs(unknown.get()), 1u) << "the caller holds the only reference";
}

// The class factory and the render object: the interfaces each offers and refuses, and the
// reference counts through QueryInterface, AddRef and Release.
TEST_F(PluginFrame, ObjectInterfacesAndReferenceCounts) {
    ComPtr<IClassFactory> f = factory();
    ASSERT_TRUE(f);
    EXPECT_EQ(refs(f.get()), 1u);
    {
        SCOPED_TRACE("class factory");
        expect_interfaces(f.get(), {&IID_IUnknown, &IID_IClassFactory},
                          {&IID_IPrintOemPS, &IID_IPrintOemPS2, &IID_IPrintCorePS2, &IID_IPrintOemDriverPS});
    }
    EXPECT_EQ(refs(f.get()), 1u);

    ComPtr<IUnknown> object;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, object.put()), S_OK);
    ASSERT_TRUE(object);
    EXPECT_EQ(refs(object.get()), 1u);
    const IID unknown_iid{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    {
        SCOPED_TRACE("render object");
        expect_interfaces(object.get(), {&IID_IUnknown, &IID_IPrintOemPS, &IID_IPrintOemPS2},
                          {&IID_IPrintOemCommon, &IID_IPrintOemEngine, &IID_IClassFactory, &IID_IPrintCorePS2,
                           &IID_IPrintOemDriverPS, &unknown_iid});
    }
    EXPECT_EQ(object.reset(), 0u);
}

TEST_F(PluginFrame, CreateInstanceArguments) {
    ComPtr<IClassFactory> f = factory();
    ASSERT_TRUE(f);

    void* out = kSentinel;
    EXPECT_EQ(f->CreateInstance(f.get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(f->CreateInstance(f.get(), IID_IUnknown, nullptr), E_POINTER) << "ppv is checked first";
    out = kSentinel;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    for (const IID* iid : {&IID_IUnknown, &IID_IPrintOemPS, &IID_IPrintOemPS2}) {
        ComPtr<IUnknown> object;
        ASSERT_EQ(f->CreateInstance(nullptr, *iid, object.put()), S_OK);
        ASSERT_TRUE(object);
        EXPECT_EQ(refs(object.get()), 1u);
        EXPECT_EQ(object.reset(), 0u);
    }
    EXPECT_EQ(refs(f.get()), 1u);
}

TEST_F(PluginFrame, CanUnloadNowCountsServerLocksOnly) {
    ComPtr<IClassFactory> f = factory();
    ComPtr<IPrintOemPS2> object = render_object();
    ASSERT_TRUE(f && object);
    const auto can_unload_now = module_.can_unload_now();
    EXPECT_EQ(can_unload_now(), S_OK) << "live objects do not keep the library";

    EXPECT_EQ(f->LockServer(1), S_OK);
    EXPECT_EQ(f->LockServer(7), S_OK);
    EXPECT_EQ(can_unload_now(), S_FALSE);
    EXPECT_EQ(f->LockServer(0), S_OK);
    EXPECT_EQ(can_unload_now(), S_FALSE);
    // The lock belongs to the server, not to the factory that took it.
    f.reset();
    EXPECT_EQ(can_unload_now(), S_FALSE);
    f = factory();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->LockServer(0), S_OK);
    EXPECT_EQ(can_unload_now(), S_OK);
}

// ---- GetInfo

TEST_F(PluginFrame, GetInfoChecksArgumentsInOrder) {
    ComPtr<IPrintOemPS2> object = render_object();
    ASSERT_TRUE(object);
    constexpr DWORD kUnset = 0xDEADBEEF;     // the size as it was before the call
    constexpr DWORD kAnyError = 0xFFFFFFFF;  // the last error is not looked at
    // One call with a 64-byte buffer of 0xCC (or none) and a size pointer (or none): the result,
    // the size reported, the last error, and nothing written to the buffer.
    const auto check = [&](DWORD mode, bool buffer_given, DWORD size, bool needed_given, HRESULT result,
                           DWORD needed, DWORD error) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " size " << size);
        std::array<std::uint8_t, 64> buffer;
        buffer.fill(0xCC);
        DWORD reported = kUnset;
        platform::set_last_error(0);
        EXPECT_EQ(object->GetInfo(mode, buffer_given ? buffer.data() : nullptr, size,
                                  needed_given ? &reported : nullptr),
                  result);
        EXPECT_EQ(reported, needed_given ? needed : kUnset);
        if (error != kAnyError) {
            EXPECT_EQ(platform::last_error(), error);
        }
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0xCC; }));
    };

    // No size pointer: 87 whatever the mode, even the publisher mode.
    for (DWORD mode : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 0xFFFFFFFFu}) check(mode, true, 64, false, E_FAIL, 0, 87);
    // Modes other than 1, 3, 4 and 5 (2 is the interface version): 87, size left alone.
    for (DWORD mode : {0u, 2u, 6u, 0xFFFFFFFFu}) check(mode, true, 64, true, E_FAIL, kUnset, 87);
    // The publisher information: 8 bytes needed, not implemented, nothing written.
    for (DWORD size : {0u, 8u, 64u})
        check(OEMGI_GETPUBLISHERINFO, size != 0, size, true, E_NOTIMPL, 8, kAnyError);
    // A buffer that cannot hold the 4-byte answer, or none at all: 4 needed, 122.
    for (DWORD mode : {OEMGI_GETSIGNATURE, OEMGI_GETVERSION, OEMGI_GETREQUESTEDHELPERINTERFACES}) {
        check(mode, true, 0, true, E_FAIL, 4, 122);
        check(mode, true, 3, true, E_FAIL, 4, 122);
        check(mode, false, 4, true, E_FAIL, 4, 122);
    }
}

TEST_F(PluginFrame, GetInfoAnswers) {
    ComPtr<IPrintOemPS2> object = render_object();
    ASSERT_TRUE(object);
    const std::pair<DWORD, DWORD> answers[] = {
        {OEMGI_GETSIGNATURE, kSignature},
        {OEMGI_GETVERSION, settings::layout_version()},
        {OEMGI_GETREQUESTEDHELPERINTERFACES, OEMPUBLISH_IPRINTCOREHELPER}};
    for (const auto& [mode, answer] : answers) {
        SCOPED_TRACE(mode);
        std::array<std::uint8_t, 16> buffer;
        buffer.fill(0xCC);
        DWORD needed = 0;
        EXPECT_EQ(object->GetInfo(mode, buffer.data(), sizeof buffer, &needed), S_OK);
        EXPECT_EQ(needed, 4u);
        EXPECT_EQ(util::load_le32(buffer.data()), answer);
        if (mode == OEMGI_GETSIGNATURE) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), 4), "VQTZ");
        }
        for (std::size_t i = 4; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xCC) << "byte " << i;
    }

    // An exactly sized buffer does as well.
    DWORD value = 0;
    DWORD needed = 0;
    EXPECT_EQ(object->GetInfo(OEMGI_GETVERSION, &value, sizeof value, &needed), S_OK);
    EXPECT_EQ(value, settings::layout_version());
}

// ---- the driver's helpers

class HelperFrame : public PluginFrame {
protected:
    // The references held on the revised (core) and the original (driver) helper.
    using Refs = std::array<ULONG, 2>;
    Refs held() const { return {core_->references(), driver_->references()}; }

    std::shared_ptr<host::Job> job_ = std::make_shared<host::Job>();
    ComPtr<host::CoreHelper> core_ = ComPtr<host::CoreHelper>::adopt(host::CoreHelper::create(job_));
    ComPtr<host::DriverHelper> driver_ = ComPtr<host::DriverHelper>::adopt(host::DriverHelper::create(job_));
};

// Each helper is taken once, in either order, until DisableDriver or the object's last Release
// lets it go; the revised helper does not hand out the original one.
TEST_F(HelperFrame, PublishDriverInterfaceTakesEachHelperOnce) {
    // A step offers a helper (none: DisableDriver) and gives a result and the references after it.
    struct Step {
        IUnknown* helper;
        HRESULT result;
        Refs after;
    };
    IUnknown* const core = core_.get();
    IUnknown* const original = driver_.get();
    const std::pair<const char*, std::vector<Step>> sequences[] = {
        {"the driver's order, twice over",
         {{core, E_FAIL, {2, 1}},
          {original, S_OK, {2, 2}},
          {core, S_OK, {2, 2}},  // the original helper is already held
          {original, S_OK, {2, 2}},
          {nullptr, S_OK, {1, 1}},
          {nullptr, S_OK, {1, 1}},
          {core, E_FAIL, {2, 1}},
          {original, S_OK, {2, 2}}}},
        {"the original helper first", {{original, S_OK, {1, 2}}, {core, S_OK, {2, 2}}}},
    };
    for (const auto& [name, steps] : sequences) {
        ComPtr<IPrintOemPS2> object = render_object();
        ASSERT_TRUE(object && core_ && driver_);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(testing::Message() << name << ", step " << i);
            const Step& s = steps[i];
            EXPECT_EQ(s.helper ? object->PublishDriverInterface(s.helper) : object->DisableDriver(),
                      s.result);
            EXPECT_EQ(held(), s.after);
        }
        EXPECT_EQ(object.reset(), 0u);
        EXPECT_EQ(held(), (Refs{1, 1})) << name;
    }

    // An object that offers neither helper.
    ComPtr<IPrintOemPS2> object = render_object();
    ComPtr<IClassFactory> stranger = factory();
    ASSERT_TRUE(object && stranger);
    EXPECT_EQ(object->PublishDriverInterface(stranger.get()), E_FAIL);
    EXPECT_EQ(refs(stranger.get()), 1u);
}

// The helpers themselves answer as the core driver does (the checks above rely on it).
TEST_F(HelperFrame, HelpersAnswerLikeTheCoreDriver) {
    ASSERT_TRUE(core_ && driver_);
    void* out = kSentinel;
    EXPECT_EQ(core_->QueryInterface(IID_IPrintOemDriverPS, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(driver_->QueryInterface(IID_IPrintCorePS2, &out), E_NOINTERFACE);
    ASSERT_EQ(core_->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(core_.get()));
    static_cast<IUnknown*>(out)->Release();

    DEVOBJ devobj{sizeof(DEVOBJ)};
    char first[] = "%!PS\r\n";
    char second[] = "showpage";
    DWORD written = 0;
    EXPECT_EQ(core_->DrvWriteSpoolBuf(&devobj, first, 6, &written), S_OK);
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(driver_->DrvWriteSpoolBuf(&devobj, second, 8, &written), S_OK);
    EXPECT_EQ(core_->DrvWriteSpoolBuf(&devobj, nullptr, 3, &written), E_INVALIDARG);
    EXPECT_EQ(job_->spool, "%!PS\r\nshowpage");

    // The invocation protocol: a size query, then the bytes (no terminator of their own).
    job_->invocations[{"QWOutputMethod", "Secure"}] = "(secure) print";
    DWORD type = 0;
    DWORD needed = 0;
    const auto attribute = [&](PCSTR option, PCSTR name, BYTE* data, DWORD size) {
        return core_->GetOptionAttribute(&devobj, 0, "QWOutputMethod", option, name, &type, data, size,
                                         &needed);
    };
    EXPECT_EQ(attribute("Secure", "Invocation", nullptr, 0), E_OUTOFMEMORY);
    EXPECT_EQ(type, static_cast<DWORD>(kADT_BINARY));
    EXPECT_EQ(needed, 14u);
    std::array<BYTE, 15> bytes{};
    EXPECT_EQ(attribute("Secure", "Invocation", bytes.data(), 13), E_OUTOFMEMORY);
    EXPECT_EQ(attribute("Secure", "Invocation", bytes.data(), 15), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), "(secure) print");
    EXPECT_EQ(attribute("Nowhere", "Invocation", nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(attribute("Secure", "OrderDependency", nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(job_->option_queries.size(), 5u);
}

// ---- the stand-in as a whole, and the render object's device calls

class DriverFrame : public ::testing::Test {
protected:
    // The render object, loaded and created but given nothing yet.
    IPrintOemPS* created() {
        EXPECT_TRUE(driver_.load_library() && driver_.create_plugin()) << driver_.error();
        return driver_.plugin();
    }
    // EnablePDEV for `device` with the DDI functions `table` and a GDIINFO of `gdi_size` bytes.
    static HRESULT enable_pdev(IPrintOemPS* object, host::Device& device, DRVENABLEDATA* table, PDEVOEM* pdev,
                               ULONG gdi_size = sizeof(GDIINFO)) {
        return object->EnablePDEV(device.devobj(), device.printer_name(), host::Device::kPatternCount,
                                  device.patterns(), gdi_size, &device.gdi_info(), sizeof(DEVINFO),
                                  &device.dev_info(), table, pdev);
    }

    host::CoreDriver driver_;
};

TEST_F(DriverFrame, LoadSequenceAndTeardown) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    EXPECT_NE(driver_.plugin2(), nullptr) << "the plug-in offers the newest interface";
    EXPECT_EQ(driver_.info().signature, kSignature);
    EXPECT_EQ(driver_.info().version, settings::layout_version());
    EXPECT_EQ(driver_.info().helpers, OEMPUBLISH_IPRINTCOREHELPER);
    EXPECT_EQ(driver_.publish_results(), (std::vector<HRESULT>{E_FAIL, S_OK}));
    EXPECT_EQ(driver_.core_helper()->references(), 2u);
    EXPECT_EQ(driver_.driver_helper()->references(), 2u);
    EXPECT_EQ(driver_.hooks().size(), kHookCount);
    EXPECT_EQ(driver_.write_printer_probe(), E_NOTIMPL) << "the plug-in never takes over spooler writes";
    EXPECT_NE(driver_.device().devobj()->pdevOEM, nullptr);

    driver_.shutdown();
    const host::Teardown& t = driver_.teardown();
    EXPECT_TRUE(t.ran);
    EXPECT_EQ(t.disable_pdev, S_OK);
    EXPECT_EQ(driver_.device().devobj()->pdevOEM, nullptr) << "DisablePDEV empties the device object";
    EXPECT_EQ(t.disable_driver, S_OK);
    EXPECT_EQ(driver_.core_helper()->references(), 1u);
    EXPECT_EQ(driver_.driver_helper()->references(), 1u);
    EXPECT_EQ(t.release_count, 0u);
    EXPECT_EQ(t.can_unload_now, S_OK);
    EXPECT_FALSE(driver_.module().loaded());
    EXPECT_TRUE(driver_.job().spool.empty());
}

TEST_F(DriverFrame, MissingLibraryIsReported) {
    host::CoreDriver missing(host::PluginModule::default_path() + u".missing");
    EXPECT_FALSE(missing.start());
    EXPECT_NE(missing.error().find("zenta_ps"), std::string::npos) << missing.error();
    EXPECT_EQ(missing.plugin(), nullptr);
}

TEST_F(DriverFrame, WritePrinterAndCommand) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    IPrintOemPS2* object = driver_.plugin2();
    ASSERT_NE(object, nullptr);
    char data[] = "%%EOF";
    DWORD written = 0xDEADBEEF;
    EXPECT_EQ(object->WritePrinter(nullptr, nullptr, 0, &written), E_NOTIMPL);
    EXPECT_EQ(object->WritePrinter(driver_.device().devobj(), data, 5, &written), E_NOTIMPL);

    // The points the plug-in takes part in answer 0, whether or not it wrote anything; at every
    // other point the driver does its default.
    const std::set<DWORD> handled = {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE,        PSINJECT_COMMENTS,
                                     PSINJECT_BEGINSETUP,  PSINJECT_ENDSETUP,       PSINJECT_TRAILER,
                                     PSINJECT_ENDSTREAM,   PSINJECT_BEGINPAGESETUP, PSINJECT_PAGETRAILER};
    for (DWORD index = 0; index <= 120; ++index) {
        DWORD result = 0xDEADBEEF;
        EXPECT_EQ(driver_.command(index, &result), S_OK) << index;
        EXPECT_EQ(result, handled.count(index) ? 0u : kNotSupported) << index;
    }
    EXPECT_EQ(driver_.command(PSINJECT_PAGESATEND, nullptr), S_OK);
    EXPECT_EQ(driver_.command(PSINJECT_BEGINPAGESETUP, nullptr, data, 5), S_OK);
}

TEST_F(DriverFrame, EnableDriverReportsTheHookTable) {
    IPrintOemPS* const object = created();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof(DRVENABLEDATA), nullptr), S_OK);

    for (DWORD version : {PRINTER_OEMINTF_VERSION, 0u}) {
        DRVENABLEDATA ded{0xAAAAAAAA, 0xBBBBBBBB, nullptr};
        ASSERT_EQ(object->EnableDriver(version, version ? sizeof ded : 0, &ded), S_OK);
        EXPECT_EQ(ded.iDriverVersion, 0x00010000u);
        ASSERT_EQ(ded.c, kHookCount);
        ASSERT_NE(ded.pdrvfn, nullptr);
        std::set<PFN> distinct;
        for_each_hook([&](std::size_t position, auto hook) {
            EXPECT_EQ(ded.pdrvfn[position].iFunc, decltype(hook)::index) << "position " << position;
            EXPECT_NE(ded.pdrvfn[position].pfn, nullptr) << "position " << position;
            distinct.insert(ded.pdrvfn[position].pfn);
        });
        EXPECT_EQ(distinct.size(), kHookCount);
    }
}

TEST_F(DriverFrame, EverySlotForwardsToTheDriverFunctionOfItsIndex) {
    ASSERT_TRUE(driver_.start()) << driver_.error();
    host::Device& device = driver_.device();
    host::clear_unattributed_ddi_calls();

    for_each_hook([&](std::size_t position, auto hook) {
        using Case = decltype(hook);
        SCOPED_TRACE(testing::Message() << "position " << position << ", DDI index " << Case::index);
        ASSERT_EQ(driver_.hooks()[position].iFunc, Case::index);
        device.clear_ddi_calls();
        Arguments made(device);
        const Outcome outcome = Call<typename Case::Prototype>::run(driver_.hooks()[position].pfn, made);
        if (Case::index == kRealizeBrush) {
            EXPECT_EQ(outcome.result, 1u) << "answered TRUE by the plug-in";
            EXPECT_TRUE(device.ddi_calls().empty()) << "without the driver";
            return;
        }
        ASSERT_EQ(device.ddi_calls().size(), 1u);
        EXPECT_EQ(device.ddi_calls()[0].index, Case::index);
        EXPECT_EQ(device.ddi_calls()[0].args, outcome.args) << "exactly the arguments given";
        EXPECT_EQ(outcome.result, std::uint64_t{host::ddi_result(Case::index)})
            << "the driver's result unchanged";
    });
    EXPECT_TRUE(host::unattributed_ddi_calls().empty());
}

TEST_F(DriverFrame, HookWithoutDriverFunctionIsNotForwarded) {
    driver_.driver_table().omit(kPlgBlt);
    ASSERT_TRUE(driver_.start()) << driver_.error();
    host::Device& device = driver_.device();
    Arguments made(device);

    EXPECT_EQ(Call<PFN_DrvPlgBlt>::run(driver_.hook(kPlgBlt), made).result, 0u) << "FALSE without the driver";
    EXPECT_TRUE(device.ddi_calls().empty());
    EXPECT_EQ(Call<PFN_DrvBitBlt>::run(driver_.hook(kBitBlt), made).result,
              std::uint64_t{host::ddi_result(kBitBlt)});
    EXPECT_EQ(device.ddi_calls().size(), 1u);
}

TEST_F(DriverFrame, EnablePDEVAndDisablePDEV) {
    IPrintOemPS* const object = created();
    ASSERT_NE(object, nullptr);
    host::Device device;
    DEVOBJ* devobj = device.devobj();
    EXPECT_EQ(enable_pdev(object, device, driver_.driver_table().data(), nullptr), E_FAIL);

    // Nothing but the output pointer: a PDEV all the same.
    PDEVOEM pdev = kSentinel;
    ASSERT_EQ(object->EnablePDEV(nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, &pdev), S_OK);
    ASSERT_NE(pdev, nullptr);
    ASSERT_NE(pdev, kSentinel);
    devobj->pdevOEM = pdev;
    EXPECT_EQ(object->DisablePDEV(devobj), S_OK);
    EXPECT_EQ(devobj->pdevOEM, nullptr);
    EXPECT_EQ(object->DisablePDEV(devobj), S_OK) << "no PDEV left";
    EXPECT_EQ(object->DisablePDEV(nullptr), S_OK);

    // An empty driver table: no hook reaches a driver function; each answers the DDI's
    // failure value (FD_ERROR for DrvQueryFontData, else FALSE or 0), DrvRealizeBrush TRUE.
    DRVENABLEDATA empty{PRINTER_OEMINTF_VERSION, 0, nullptr};
    pdev = nullptr;
    ASSERT_EQ(enable_pdev(object, device, &empty, &pdev), S_OK);
    devobj->pdevOEM = pdev;
    DRVENABLEDATA hooks{};
    ASSERT_EQ(object->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof hooks, &hooks), S_OK);
    ASSERT_EQ(hooks.c, kHookCount);
    for_each_hook([&](std::size_t position, auto hook) {
        using Case = decltype(hook);
        Arguments made(device);
        const Outcome outcome = Call<typename Case::Prototype>::run(hooks.pdrvfn[position].pfn, made);
        const std::uint64_t expected = Case::index == kRealizeBrush    ? 1
                                       : Case::index == kQueryFontData ? ~std::uint64_t{0}
                                                                       : 0;
        EXPECT_EQ(outcome.result, expected) << "DDI index " << Case::index;
    });
    EXPECT_TRUE(device.ddi_calls().empty());
    EXPECT_EQ(object->DisablePDEV(devobj), S_OK);
    EXPECT_EQ(devobj->pdevOEM, nullptr);
}

TEST_F(DriverFrame, ShortGdiInfoIsLeftAlone) {
    IPrintOemPS* const object = created();
    ASSERT_NE(object, nullptr);
    // A plug-in devmode with full-bleed output asked for: the case in which the plug-in would
    // widen the printable area of a GDIINFO it may adjust.
    std::vector<std::uint8_t> devmode(26 + settings::Record::kSize);
    const std::uint32_t head[] = {static_cast<std::uint32_t>(devmode.size()), kSignature,
                                  settings::layout_version(), 0xFFFFFFFFu, 14};
    for (std::size_t i = 0; i < std::size(head); ++i) util::store_le32(devmode.data() + 4 * i, head[i]);
    settings::Record record;
    record.set_head(settings::layout_version());
    record.set<features::FeatureId::FullBleed>(1);
    std::memcpy(devmode.data() + 26, record.data(), settings::Record::kSize);

    host::Device device;
    device.devobj()->pOEMDM = devmode.data();
    const GDIINFO before = device.gdi_info();
    PDEVOEM pdev = nullptr;
    ASSERT_EQ(enable_pdev(object, device, driver_.driver_table().data(), &pdev, sizeof(GDIINFO) - 1), S_OK);
    ASSERT_NE(pdev, nullptr);
    EXPECT_EQ(std::memcmp(&before, &device.gdi_info(), sizeof(GDIINFO)), 0);
    device.devobj()->pdevOEM = pdev;
    EXPECT_EQ(object->DisablePDEV(device.devobj()), S_OK);
}

TEST_F(DriverFrame, ResetPDEVCarriesTheDriverFunctionsOver) {
    ASSERT_TRUE(driver_.load_library() && driver_.create_plugin() && driver_.read_info() &&
                driver_.enable_driver())
        << driver_.error();
    IPrintOemPS* object = driver_.plugin();
    host::Device old_device;
    host::Device new_device;
    host::DriverTable full;
    host::DriverTable without_plg_blt;
    without_plg_blt.omit(kPlgBlt);
    for (auto [device, table] : {std::pair(&old_device, &full), std::pair(&new_device, &without_plg_blt)})
        EXPECT_EQ(enable_pdev(object, *device, table->data(), &device->devobj()->pdevOEM), S_OK);
    const PFN plg_blt = driver_.hook(kPlgBlt);

    // A missing object on either side: nothing happens.
    EXPECT_EQ(object->ResetPDEV(old_device.devobj(), nullptr), S_OK);
    EXPECT_EQ(object->ResetPDEV(nullptr, new_device.devobj()), S_OK);
    DEVOBJ no_pdev{sizeof(DEVOBJ)};
    EXPECT_EQ(object->ResetPDEV(&no_pdev, new_device.devobj()), S_OK);
    EXPECT_EQ(object->ResetPDEV(new_device.devobj(), new_device.devobj()), S_OK);
    Arguments on_new(new_device);
    EXPECT_EQ(Call<PFN_DrvPlgBlt>::run(plg_blt, on_new).result, 0u);
    EXPECT_TRUE(new_device.ddi_calls().empty());

    // The new PDEV takes over the old one's driver functions.
    EXPECT_EQ(object->ResetPDEV(old_device.devobj(), new_device.devobj()), S_OK);
    EXPECT_NE(new_device.devobj()->pdevOEM, old_device.devobj()->pdevOEM);
    EXPECT_EQ(Call<PFN_DrvPlgBlt>::run(plg_blt, on_new).result, std::uint64_t{host::ddi_result(kPlgBlt)});
    ASSERT_EQ(new_device.ddi_calls().size(), 1u);
    EXPECT_EQ(new_device.ddi_calls()[0].index, kPlgBlt);

    for (host::Device* device : {&old_device, &new_device}) {
        EXPECT_EQ(object->DisablePDEV(device->devobj()), S_OK);
        EXPECT_EQ(device->devobj()->pdevOEM, nullptr);
    }
}

}  // namespace
}  // namespace zenta
