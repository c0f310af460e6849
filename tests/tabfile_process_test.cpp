// The tab file service's processes: the child's command line and section name, the worker's
// choice of tab entries and its DEVMODE word, the worker and the child entry on their own, and
// the whole parent side with a stand-in tab document library (tests/fake_tabdoc) through the
// child process (rundll32, on Linux the launcher that plays it) and through the fallback thread.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <process.h>
// The module handle of a loaded library (kernel32). <windows.h> is not included: its macros
// would stand in the way of the abi names in the headers below.
extern "C" __declspec(dllimport) void* __stdcall GetModuleHandleW(const wchar_t* name);
#else
#include <unistd.h>
#endif

#include "abi/devmode.h"
#include "abi/process.h"
#include "environment/printer.h"
#include "environment/record_defaults.h"
#include "environment/tab_document.h"
#include "platform/library.h"
#include "platform/native.h"
#include "platform/os.h"
#include "platform/sim/profile.h"
#include "platform/sim/system.h"
#include "settings/page_exceptions.h"
#include "tabfile/child.h"
#include "tabfile/parent.h"
#include "tabfile/request_block.h"
#include "tabfile/tab_blocks.h"
#include "tabfile/worker.h"
#include "util/hex.h"
#include "util/utf.h"
#include "support/environment.h"

namespace zenta::tabfile {
namespace {

namespace fs = std::filesystem;
using settings::PageEntry;

// ---- the child's command line and section name

TEST(TabChildCommandLine, QuotedApplicationShortLibraryEntryAndSection) {
    const std::u16string application = rundll_application(u"C:\\Windows\\system32");
    EXPECT_EQ(application, u"C:\\Windows\\system32\\rundll32.exe");
    EXPECT_EQ(
        tab_child_command_line(application, u"C:\\PROGRA~1\\Zenta\\ZENTA_~1.DLL", u"QWERTYUIOPASDFGHJKLZ"),
        u"\"C:\\Windows\\system32\\rundll32.exe\" C:\\PROGRA~1\\Zenta\\ZENTA_~1.DLL,CreateTabFileEx "
        u"QWERTYUIOPASDFGHJKLZ");
}

TEST(TabChildCommandLine, CreationFlagsAreTheNamedOnes) {
    EXPECT_EQ(kTabChildCreationFlags, abi::CREATE_SUSPENDED | abi::NORMAL_PRIORITY_CLASS |
                                          abi::CREATE_NEW_PROCESS_GROUP | abi::CREATE_BREAKAWAY_FROM_JOB |
                                          abi::CREATE_DEFAULT_ERROR_MODE);
    EXPECT_EQ(kTabChildCreationFlags, 0x05000224u);
    EXPECT_EQ(abi::CREATE_SUSPENDED, 0x00000004u);
}

// The C runtime's generator, written out: state * 214013 + 2531011, bits 16 to 30.
std::u16string expected_section_name(unsigned start) {
    std::uint32_t state = start;
    std::u16string name;
    for (int i = 0; i < 20; ++i) {
        state = state * 214013u + 2531011u;
        name += static_cast<char16_t>(u'A' + ((state >> 16) & 0x7FFF) % 26);
    }
    return name;
}

TEST(TabSectionName, TwentyLettersFromTheProcessGenerator) {
    const std::u16string first = make_section_name();  // starts the generator from the clock
    ASSERT_EQ(first.size(), 20u);
    for (char16_t c : first) EXPECT_TRUE(c >= u'A' && c <= u'Z') << util::utf16_to_utf8(first);
    EXPECT_NE(make_section_name(), first);

    platform::system().srand(1);
    EXPECT_EQ(make_section_name(), expected_section_name(1));
    EXPECT_EQ(expected_section_name(1).substr(0, 2), u"PH");  // draws 41 and 18467
    platform::system().srand(0x1234);
    EXPECT_EQ(make_section_name(), expected_section_name(0x1234));
}

// ---- which entries make tab sheets

PageEntry tab(std::uint8_t kind, std::uint8_t placement, std::vector<settings::PageRange> pages,
              bool skip = false) {
    PageEntry entry;
    entry.kind = kind;
    entry.setting.placement = placement;
    entry.setting.skip = skip;
    entry.pages = std::move(pages);
    return entry;
}

TEST(QualifyingTabEntry, TheRuleOfTheTabPageLogic) {
    struct Case {
        PageEntry entry;
        bool qualifies;
        const char* why;
    };
    PageEntry with_sub = tab(6, 0, {{2, 2}});
    with_sub.sub_entries.emplace_back();
    const Case cases[] = {
        {tab(5, 0, {{2, 2}}), true, "kind 5 printed on page 2"},
        {tab(6, 1, {{1, 1}}), true, "kind 6 inserted before page 1"},
        {tab(7, 0, {{9, 9}}), true, "kind 7"},
        {tab(4, 0, {{2, 2}}), false, "kind 4 is no tab"},
        {tab(5, 2, {{2, 2}}), false, "placement 2"},
        {tab(5, 0, {{2, 2}}, true), false, "skipped"},
        {tab(5, 0, {{2, 3}}), false, "a range of two pages"},
        {tab(5, 0, {{2, 2}, {4, 4}}), false, "two ranges"},
        {tab(5, 0, {}), false, "no pages"},
        {with_sub, false, "sub-entries"},
    };
    for (const Case& c : cases) EXPECT_EQ(qualifying_tab_entry(c.entry), c.qualifies) << c.why;
}

settings::Record record_with(const settings::PageList& list) {
    settings::Record record = environment::default_record();
    EXPECT_TRUE(settings::store_pages(record, list));
    return record;
}

TEST(QualifyingTabEntries, InListOrderAndNoneWithTabImageShift) {
    const settings::Record record =
        record_with({tab(6, 0, {{3, 3}}), tab(2, 0, {{1, 1}}), tab(5, 0, {{4, 5}}), tab(7, 1, {{1, 1}})});
    const settings::PageList tabs = qualifying_tab_entries(record);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tab_page(tabs[0]), 3u);
    EXPECT_EQ(tabs[1].kind, 7);
    EXPECT_EQ(tab_page(tabs[1]), 1u);
    EXPECT_TRUE(environment::tab_document_seen());

    settings::Record shifted = record;
    shifted.set_raw(settings::FeatureId::TabImageShift, 1);
    EXPECT_TRUE(qualifying_tab_entries(shifted).empty());
    EXPECT_TRUE(qualifying_tab_entries(environment::default_record()).empty());
}

TEST(TabEntryOf, TheSettingBlockAndTheTabText) {
    PageEntry entry = tab(6, 1, {{2, 2}});
    entry.setting.setting_flag = true;
    entry.setting.setting_value_1 = 3;
    entry.setting.setting_value_2 = 9;
    entry.text = "Entry text";
    entry.setting.setting_text = "Setting text";
    TabEntry sheet = tab_entry_of(entry);
    EXPECT_EQ(sheet.attributes, (TabAttributes{0, 1, 1, 3, 9}));
    EXPECT_EQ(sheet.text, "Setting text");
    entry.setting.setting_text.clear();
    entry.setting.skip = true;
    sheet = tab_entry_of(entry);
    EXPECT_EQ(sheet.attributes, (TabAttributes{1, 1, 1, 3, 9}));
    EXPECT_EQ(sheet.text, "Entry text") << "an empty setting text gives the entry's text";
}

// ---- argument 14

std::vector<std::uint8_t> devmode_bytes(std::uint16_t extra, std::uint16_t word_at_114) {
    std::vector<std::uint8_t> bytes(sizeof(abi::DEVMODEW) + extra, 0);
    auto* dm = reinterpret_cast<abi::DEVMODEW*>(bytes.data());
    dm->dmSize = sizeof(abi::DEVMODEW);
    dm->dmDriverExtra = extra;
    if (extra >= 116) {
        bytes[sizeof(abi::DEVMODEW) + 114] = static_cast<std::uint8_t>(word_at_114);
        bytes[sizeof(abi::DEVMODEW) + 115] = static_cast<std::uint8_t>(word_at_114 >> 8);
    }
    return bytes;
}

TEST(TabDevmodeWord, TheWordAtByte114OfTheDriverArea) {
    EXPECT_EQ(tab_devmode_word(devmode_bytes(117, 0xBEEF)), 0xBEEF);
    EXPECT_EQ(tab_devmode_word(devmode_bytes(400, 0x0102)), 0x0102);
    EXPECT_EQ(tab_devmode_word(devmode_bytes(116, 0xBEEF)), 0) << "dmDriverExtra must exceed 116";
    EXPECT_EQ(tab_devmode_word(devmode_bytes(0, 0)), 0);
    std::vector<std::uint8_t> cut = devmode_bytes(200, 0xBEEF);
    cut.resize(sizeof(abi::DEVMODEW) + 115);
    EXPECT_EQ(tab_devmode_word(cut), 0) << "bytes shorter than they say";
    EXPECT_EQ(tab_devmode_word({}), 0);
}

// ---- the worker, the child and the parent with the stand-in tab document library

std::u16string program_folder() {
    const std::u16string program = platform::executable_path();
    return program.substr(0, program.find_last_of(u"\\/") + 1);
}

using test::set_environment;

long this_process() {
#if defined(_WIN32)
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One line of the stand-in library's call log.
struct Call {
    long pid = 0;
    bool printer = false;
    std::string file;
};

std::vector<Call> read_calls(const fs::path& log) {
    std::vector<Call> calls;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        Call call;
        const auto printer = line.find(" printer=");
        const auto file = line.find(" file=");
        if (line.rfind("pid=", 0) != 0 || printer == std::string::npos || file == std::string::npos) continue;
        call.pid = std::stol(line.substr(4, printer - 4));
        call.printer = line.substr(printer + 9, file - printer - 9) == "handle";
        call.file = line.substr(file + 6);
        calls.push_back(call);
    }
    return calls;
}

// A folder of its own with a copy of the plug-in library and the stand-in library under the
// name of the plug-in's tab document companion; the copy of the plug-in is loaded and its
// module handle is what the tab requests carry.
class TabService : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path built = fs::path(program_folder());
        const fs::path plugin = built / fs::path(platform::library_file_name(u"zenta_ps"));
        const fs::path fake = built / fs::path(platform::library_file_name(u"zenta_fake_tabdoc"));
        if (!fs::exists(plugin) || !fs::exists(fake))
            GTEST_SKIP()
                << "the plug-in library or the stand-in tab document library is not built beside the tests";
#if !defined(_WIN32)
        if (!fs::exists(built / "zenta_rundll"))
            GTEST_SKIP() << "the launcher zenta_rundll is not built beside the tests";
#endif
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = fs::temp_directory_path() /
                  ("zenta_tabfile_" + std::to_string(this_process()) + "_" + std::to_string(ticks));
        fs::create_directories(folder_);
        fs::copy_file(plugin, folder_ / plugin.filename());
        fs::copy_file(fake, folder_ / fs::path(platform::library_file_name(u"zenta")));
        const std::u16string copy = (folder_ / plugin.filename()).u16string();
        library_ = platform::Library::open(copy);
        ASSERT_TRUE(library_) << library_.error();
#if defined(_WIN32)
        module_ = GetModuleHandleW(reinterpret_cast<const wchar_t*>(copy.c_str()));
#else
        module_ = library_.symbol("CreateTabFileExW");  // an address inside the library names it
#endif
        ASSERT_NE(module_, nullptr);
        log_ = folder_ / "calls.log";
        set_environment("ZENTA_FAKE_TABDOC_LOG", log_.string());
    }

    void TearDown() override {
        set_environment("ZENTA_FAKE_TABDOC_LOG", "");
        library_ = platform::Library();
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }

    // The printer of the run: the built-in simulated printer natively; none under Windows, where
    // the child process would see only the system's own printers.
    environment::PrinterConnection printer() {
#if defined(_WIN32)
        return {};
#else
        return environment::PrinterConnection::open(u"Zenta Production Printer");
#endif
    }

    static std::vector<std::uint8_t> public_devmode() {
        std::vector<std::uint8_t> bytes = devmode_bytes(0, 0);
        auto* dm = reinterpret_cast<abi::DEVMODEW*>(bytes.data());
        dm->dmFields = abi::DM_ORIENTATION | abi::DM_PRINTQUALITY | abi::DM_YRESOLUTION | abi::DM_SCALE;
        dm->dmOrientation = 2;
        dm->dmPrintQuality = 600;
        dm->dmYResolution = 1200;
        dm->dmScale = 90;
        return bytes;
    }

    struct Run {
        bool written = false;
        TabPath path = TabPath::None;
        std::string stream;
        double milliseconds = 0;
    };

    Run run(const TabEntry& entry, bool print_on_page, const settings::Record& record) {
        environment::PrinterConnection connection = printer();
        const std::vector<std::uint8_t> devmode = public_devmode();
        Run result;
        platform::set_last_error(5);
        const auto start = std::chrono::steady_clock::now();
        result.written = run_tab_document(
            connection.handle(), print_on_page, u"Printed Tab on 3", entry, record, devmode, 4711, module_,
            [&result](std::string_view bytes) { result.stream += bytes; }, &result.path);
        result.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(platform::last_error(), 0u);
        return result;
    }

    // A run with rundll32.exe out of reach, which goes through the fallback thread.
    Run run_in_thread(const TabEntry& entry, bool print_on_page, const settings::Record& record) {
        const RundllOutOfReach unreachable(folder_, *native_);
        return run(entry, print_on_page, record);
    }

    // For its lifetime rundll32.exe is out of reach: on Windows the system services answer a
    // system directory that does not exist; on Linux the launcher that plays rundll32 is missing.
    class RundllOutOfReach {
    public:
        RundllOutOfReach(const fs::path& folder, platform::System& native) {
#if defined(_WIN32)
            platform::sim::Settings settings = platform::sim::default_profile().settings;
            settings.system_directory = (folder / "no-system-directory").u16string();
            system_ = std::make_unique<platform::sim::SimulatedSystem>(settings, native);
            scope_ = std::make_unique<platform::ScopedServices>(nullptr, system_.get());
#else
            (void)native;
            set_environment("ZENTA_RUNDLL", (folder / "no-launcher").string());
#endif
        }
        ~RundllOutOfReach() {
            scope_.reset();
            set_environment("ZENTA_RUNDLL", "");
        }

    private:
        std::unique_ptr<platform::System> system_;
        std::unique_ptr<platform::ScopedServices> scope_;
    };

    // The stream of a tab sheet: the text the stand-in library's document gives, as the
    // extraction keeps it, for the printer of the run, between the save and restore blocks.
    std::string expected_stream(const settings::Record& record, bool no_erase) {
        environment::PrinterConnection connection = printer();
        const abi::PRINTER_INFO_2W* description = connection ? connection.description() : nullptr;
        const abi::DEVMODEW* dm = description ? description->pDevMode : nullptr;
        const std::uint16_t devmode_word =
            dm ? tab_devmode_word(
                     {reinterpret_cast<const std::uint8_t*>(dm), std::size_t{dm->dmSize} + dm->dmDriverExtra})
               : 0;
        return std::string(tab_save_block()) + std::string(no_erase ? no_erase_block() : "") +
               "%!PS-Adobe-3.0\r\n%%Title: Printed Tab on 3\r\n%%Creator: fake tab document library\r\n"
               "%%EndComments\r\n%%BeginProlog\r\n%%EndProlog\r\nuserdict begin\r\n%%ZentaFake-Printer: " +
               util::utf16_to_utf8(connection ? connection.printer_name() : u"") +
               "\r\n%%ZentaFake-Document: Printed Tab on 3\r\n%%ZentaFake-Job: 4711\r\n"
               "%%ZentaFake-Devmode: 2 600 1200 90\r\n%%ZentaFake-Entry: 13 0001000507 (Chapter 3)\r\n"
               "%%ZentaFake-Record: 27774 " +
               util::hex_upper({record.data(), 9}) +
               "\r\n%%ZentaFake-DevmodeWord: " + std::to_string(devmode_word) +
               "\r\nend\r\nfeaturebegin{\r\n"
               "%%BeginFeature: *QWOpCreator Fake\r\n%%EndFeature\r\n} featurecleanup\r\nfeaturebegin{\r\n"
               "%%BeginFeature: *QWOpPPDVersion 1\r\n%%EndFeature\r\n} featurecleanup\r\nfeaturebegin{\r\n"
               "%%BeginFeature: *PageSize QVA4Tab1\r\n%%EndFeature\r\n} featurecleanup\r\n"
               "1 setlinecap 1 setlinejoin\r\nshowpage\r\n%%Trailer\r\n" +
               std::string(tab_restore_block());
    }

    static settings::Record tab_record() { return record_with({tab(6, 0, {{3, 3}})}); }
    static TabEntry chapter_entry() { return TabEntry{{0, 1, 0, 5, 7}, "Chapter 3"}; }

    fs::path folder_;
    fs::path log_;
    platform::Library library_;
    void* module_ = nullptr;
    std::unique_ptr<platform::System> native_ = platform::make_native_system();
};

TEST_F(TabService, ChildProcessAndThreadWriteTheSameTabSheet) {
    const settings::Record record = tab_record();
    const TabEntry entry = chapter_entry();

    const Run child = run(entry, true, record);
    const Run thread = run_in_thread(entry, true, record);
    std::cout << "[ timing   ] one tab sheet through the child process: " << child.milliseconds
              << " ms; through the thread: " << thread.milliseconds << " ms\n";

    EXPECT_TRUE(child.written);
    EXPECT_EQ(child.path, TabPath::ChildProcess);
    EXPECT_TRUE(thread.written);
    EXPECT_EQ(thread.path, TabPath::Thread);
    EXPECT_EQ(child.stream, expected_stream(record, true));
    EXPECT_EQ(thread.stream, child.stream);

    // Where each call ran: the child in a process of its own with no printer handle, the thread
    // here with the parent's.
    const std::vector<Call> calls = read_calls(log_);
    ASSERT_EQ(calls.size(), 2u) << read_file(log_);
    EXPECT_NE(calls[0].pid, this_process());
    EXPECT_FALSE(calls[0].printer);
    EXPECT_EQ(calls[1].pid, this_process());
    EXPECT_EQ(calls[1].printer, static_cast<bool>(printer()));
    // Each tab file is gone, and named "TP1<hex>.tmp".
    for (const Call& call : calls) {
        fs::path file(util::utf8_to_utf16(call.file));
        EXPECT_FALSE(fs::exists(file)) << call.file;
        const std::string name = file.filename().string();
        EXPECT_EQ(name.substr(0, 3), "TP1") << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp") << name;
    }
}

TEST_F(TabService, AnInsertedTabHasNoNoEraseBlock) {
    const settings::Record record = record_with({tab(6, 1, {{3, 3}})});
    const Run inserted = run_in_thread(chapter_entry(), false, record);
    ASSERT_TRUE(inserted.written);
    EXPECT_EQ(inserted.stream, expected_stream(record, false));
}

TEST_F(TabService, ATabFileWithoutItsStretchesWritesNothing) {
    const Run broken = run_in_thread(TabEntry{{}, "BROKEN"}, true, tab_record());
    EXPECT_FALSE(broken.written);
    EXPECT_EQ(broken.path, TabPath::Thread);
    EXPECT_EQ(broken.stream, "");
    const std::vector<Call> calls = read_calls(log_);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(fs::exists(fs::path(util::utf8_to_utf16(calls[0].file)))) << "deleted in any case";
}

TEST_F(TabService, ANullWriterFailsAtOnce) {
    TabPath path = TabPath::Thread;
    EXPECT_FALSE(
        run_tab_document(nullptr, true, u"T", chapter_entry(), tab_record(), {}, 0, module_, nullptr, &path));
    EXPECT_EQ(path, TabPath::None);
    EXPECT_TRUE(read_calls(log_).empty());
}

// A block filled as the parent fills it, for the worker and the child entry on their own.
std::vector<std::uint8_t> request(void* module, void* printer_handle, const std::u16string& tab_file,
                                  const settings::Record& record) {
    std::vector<std::uint8_t> storage(kRequestBlockSize);
    TabRequest r;
    r.module = module;
    r.printer = printer_handle;
    r.printer_name = u"Zenta Production Printer";
    r.tab_file_path = tab_file;
    r.document_name = u"Inserted Tab before 1";
    r.record = &record;
    r.job_id = 9;
    r.attributes = {0, 0, 1, 0, 0};
    r.tab_text = "Index";
    fill_request_block(RequestBlock(storage.data(), kRequestBlockSize), r);
    return storage;
}

TEST_F(TabService, TheWorkerCallsTheLibraryOnlyForAnAcceptableBlockWithATabSheet) {
    const std::u16string tab_file = (folder_ / "worker.tmp").u16string();
    const settings::Record record = record_with({tab(5, 1, {{1, 1}})});

    const auto worker = [](std::vector<std::uint8_t> block, const char* tab_text = nullptr) {
        if (tab_text) set_tab_text(RequestBlock(block.data(), kRequestBlockSize), tab_text);
        return run_tab_worker(RequestBlock(block.data(), kRequestBlockSize));
    };
    EXPECT_EQ(worker(request(nullptr, nullptr, tab_file, record)), kWorkerFailure) << "no module";
    EXPECT_EQ(worker(request(module_, nullptr, tab_file, environment::default_record())), kWorkerFailure)
        << "no tab entry";
    EXPECT_TRUE(read_calls(log_).empty());

    std::vector<std::uint8_t> good = request(module_, nullptr, tab_file, record);
    EXPECT_EQ(tab_worker_thread(good.data()), kWorkerSuccess);
    const std::string written = read_file(fs::path(tab_file));
    EXPECT_NE(written.find("%%ZentaFake-Entry: 13 0000010000 (Index)\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("%%ZentaFake-Job: 9\r\n"), std::string::npos);
    EXPECT_NE(written.find("%%ZentaFake-Printer: Zenta Production Printer\r\n"), std::string::npos);

    // A library that answers 0 is a failure.
    EXPECT_EQ(worker(request(module_, nullptr, tab_file, record), "FAIL"), kWorkerFailure);
    EXPECT_EQ(read_calls(log_).size(), 2u);
}

// The library's CreateTabFileExW, called here: it opens the named section, runs the worker with
// its own module handle and no printer handle, stores the status and puts the handles back.
TEST_F(TabService, TheChildEntryWorksOnTheNamedSection) {
    platform::System& sys = platform::system();
    const std::u16string name = make_section_name();
    const abi::HANDLE section =
        sys.CreateFileMappingW(platform::kInvalidHandleValue, abi::PAGE_READWRITE, 0,
                               static_cast<abi::DWORD>(kRequestBlockSize), name.c_str());
    ASSERT_NE(section, nullptr);
    void* view = sys.MapViewOfFile(section, abi::FILE_MAP_ALL_ACCESS, 0, 0, kRequestBlockSize);
    ASSERT_NE(view, nullptr);
    const RequestBlock block(static_cast<std::uint8_t*>(view), kRequestBlockSize);
    const std::u16string tab_file = (folder_ / "child.tmp").u16string();
    const settings::Record record = record_with({tab(7, 0, {{2, 2}})});
    std::vector<std::uint8_t> filled =
        request(reinterpret_cast<void*>(0x1230), reinterpret_cast<void*>(0x4560), tab_file, record);
    std::copy(filled.begin(), filled.end(), block.begin());

    using Entry = void(ZENTA_STDCALL*)(void*, void*, char16_t*, int);
    const auto entry = reinterpret_cast<Entry>(library_.symbol("CreateTabFileExW"));
    ASSERT_NE(entry, nullptr);
    std::u16string command_line = name;
    entry(nullptr, nullptr, command_line.data(), 1);

    EXPECT_EQ(status(block), kStatusSuccess);
    EXPECT_EQ(module_handle(block), reinterpret_cast<void*>(0x1230));
    EXPECT_EQ(printer_handle(block), reinterpret_cast<void*>(0x4560));
    const std::vector<Call> calls = read_calls(log_);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].printer) << "the child works without the parent's printer handle";
    EXPECT_NE(read_file(fs::path(tab_file)).find("%%ZentaFake-Document: Inserted Tab before 1"),
              std::string::npos);

    // A section name that does not exist, or none, does nothing.
    std::u16string missing = u"ZZZZZZZZZZZZZZZZZZZZ";
    entry(nullptr, nullptr, missing.data(), 1);
    entry(nullptr, nullptr, nullptr, 1);
    create_tab_file(nullptr);
    EXPECT_EQ(read_calls(log_).size(), 1u);

    sys.UnmapViewOfFile(view);
    sys.CloseHandle(section);
}

}  // namespace
}  // namespace zenta::tabfile
