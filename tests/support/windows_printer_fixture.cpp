// Printers on the Windows spooler for tests: the PostScript driver is installed once per
// process with a small PPD file of our own (the bins and papers of fixture_bins() and
// fixture_papers()), and every printer the fixture adds uses it on port "FILE:" or the port
// given. Under Wine this is Wine's spooler and "Wine PostScript Driver".

#ifdef _WIN32

#include <windows.h>
#include <winspool.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/native.h"
#include "platform/os.h"
#include "support/printer_fixture.h"
#include "util/once.h"
#include "util/utf.h"

namespace zenta::test {
namespace {

constexpr wchar_t kDriverName[] = L"Wine PostScript Driver";
constexpr wchar_t kEnvironment[] = L"Windows x64";

// The driver's data file. Input slots and page sizes are what the driver reports through
// DeviceCapabilitiesW; the PPD keeps to what the PostScript driver needs to load it.
constexpr char kPpd[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"ZENTATST.PPD\"\n"
    "*Manufacturer: \"Zenta\"\n"
    "*Product: \"(Zenta Test Printer)\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*ModelName: \"Zenta Test Printer\"\n"
    "*ShortNickName: \"Zenta Test Printer\"\n"
    "*NickName: \"Zenta Test Printer\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n"
    "*OpenUI *PageSize: PickOne\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*PageSize Letter/Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*PageRegion Letter/Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"12 12 583 830\"\n"
    "*ImageableArea Letter/Letter: \"12 12 600 780\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*PaperDimension Letter/Letter: \"612 792\"\n"
    "*OpenUI *InputSlot: PickOne\n"
    "*DefaultInputSlot: Tray1\n"
    "*InputSlot Tray1/Tray 1: \"<</MediaPosition 1>>setpagedevice\"\n"
    "*InputSlot Tray2/Tray 2: \"<</MediaPosition 2>>setpagedevice\"\n"
    "*InputSlot Bypass/Bypass Tray: \"<</MediaPosition 0>>setpagedevice\"\n"
    "*CloseUI: *InputSlot\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";

std::wstring wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::string describe(const char* call, DWORD error) {
    return std::string(call) + " failed with error " + std::to_string(error);
}

// Empty when the driver is installed, else why not.
std::string install_driver() {
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(kEnvironment), 1,
                                      reinterpret_cast<BYTE*>(folder), sizeof folder, &needed))
        return describe("GetPrinterDriverDirectoryW", ::GetLastError());
    const std::wstring ppd = std::wstring(folder) + L"\\generic.ppd";
    const HANDLE file =
        ::CreateFileW(ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return describe("CreateFileW of the PPD", ::GetLastError());
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, kPpd, sizeof kPpd - 1, &written, nullptr);
    ::CloseHandle(file);
    if (!ok || written != sizeof kPpd - 1) return "cannot write the PPD file";

    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(kDriverName);
    driver.pEnvironment = const_cast<wchar_t*>(kEnvironment);
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(L"generic.ppd");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES))
        return describe("AddPrinterDriverExW", ::GetLastError());
    return {};
}

void delete_printer_named(const std::wstring& name) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE stale = nullptr;
    if (::OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &stale, &defaults) && stale) {
        ::DeletePrinter(stale);
        ::ClosePrinter(stale);
    }
}

class WindowsPrinterFixture final : public PrinterFixture {
public:
    WindowsPrinterFixture() : wine_(running_under_wine()) {}

    ~WindowsPrinterFixture() override {
        for (auto& [printer, form] : forms_) ::DeleteFormW(printer, const_cast<wchar_t*>(form.c_str()));
        for (auto& [name, printer] : printers_) {
            ::DeletePrinter(printer);
            ::ClosePrinter(printer);
        }
    }

    SpoolerKind kind() const override { return SpoolerKind::Windows; }
    platform::Spooler& spooler() override { return *spooler_; }
    bool wine() const override { return wine_; }
    // Wine's AddFormW is a stub: it answers TRUE and keeps nothing.
    bool adds_forms() const override { return !wine_; }

    bool add_printer(std::u16string_view name, std::u16string_view port) override {
        const std::wstring printer_name = wide(name);
        const std::wstring port_name = wide(port);
        delete_printer_named(printer_name);  // left behind by an earlier run
        PRINTER_INFO_2W info{};
        info.pPrinterName = const_cast<wchar_t*>(printer_name.c_str());
        info.pPortName = const_cast<wchar_t*>(port_name.c_str());
        info.pDriverName = const_cast<wchar_t*>(kDriverName);
        info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        const HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (!printer) {
            error_ = describe("AddPrinterW", ::GetLastError());
            return false;
        }
        printers_.emplace_back(std::u16string(name), printer);
        return true;
    }

    bool set_value(std::u16string_view printer, std::u16string_view value_name, abi::DWORD type,
                   std::span<const abi::BYTE> data) override {
        const HANDLE handle = find(printer);
        if (!handle) return false;
        const std::wstring name = wide(value_name);
        const DWORD result =
            ::SetPrinterDataW(handle, const_cast<wchar_t*>(name.c_str()), type,
                              const_cast<BYTE*>(data.data()), static_cast<DWORD>(data.size()));
        if (result == ERROR_SUCCESS) return true;
        error_ = describe("SetPrinterDataW", result);
        return false;
    }

    bool set_keyed_value(std::u16string_view printer, std::u16string_view key, std::u16string_view value_name,
                         abi::DWORD type, std::span<const abi::BYTE> data) override {
        const HANDLE handle = find(printer);
        if (!handle) return false;
        const std::wstring key_name = wide(key);
        const std::wstring name = wide(value_name);
        const DWORD result =
            ::SetPrinterDataExW(handle, key_name.c_str(), name.c_str(), type, const_cast<BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
        if (result == ERROR_SUCCESS) return true;
        error_ = describe("SetPrinterDataExW", result);
        return false;
    }

    bool add_form(std::u16string_view printer, const FormSpec& form) override {
        const HANDLE handle = find(printer);
        if (!handle) return false;
        std::wstring name = wide(form.name);
        FORM_INFO_1W info{};
        info.Flags = FORM_USER;
        info.pName = const_cast<wchar_t*>(name.c_str());
        info.Size = {form.size.cx, form.size.cy};
        info.ImageableArea = {form.imageable_area.left, form.imageable_area.top, form.imageable_area.right,
                              form.imageable_area.bottom};
        if (info.ImageableArea.right == 0 && info.ImageableArea.bottom == 0)
            info.ImageableArea = {0, 0, form.size.cx, form.size.cy};
        BOOL ok = ::AddFormW(handle, 1, reinterpret_cast<BYTE*>(&info));
        if (!ok && ::GetLastError() == ERROR_FILE_EXISTS)  // left behind by an earlier run
            ok = ::SetFormW(handle, info.pName, 1, reinterpret_cast<BYTE*>(&info));
        if (!ok) {
            error_ = describe("AddFormW", ::GetLastError());
            return false;
        }
        forms_.emplace_back(handle, std::move(name));
        return true;
    }

private:
    HANDLE find(std::u16string_view printer) {
        for (const auto& [name, handle] : printers_)
            if (name == printer) return handle;
        error_ = "the fixture did not add a printer named " + util::utf16_to_utf8(printer);
        return nullptr;
    }

    bool wine_;
    std::unique_ptr<platform::Spooler> spooler_ = platform::make_native_spooler();
    platform::ScopedServices scope_{spooler_.get(), nullptr};
    std::vector<std::pair<std::u16string, HANDLE>> printers_;
    std::vector<std::pair<HANDLE, std::wstring>> forms_;
};

}  // namespace

bool running_under_wine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::unique_ptr<PrinterFixture> make_windows_printer_fixture(std::string& error) {
    static util::Once<std::string> installed;
    const std::string& failure = installed.get(install_driver);
    if (!failure.empty()) {
        error = "cannot install the PostScript driver: " + failure;
        return nullptr;
    }
    return std::make_unique<WindowsPrinterFixture>();
}

}  // namespace zenta::test

#endif  // _WIN32
