#pragma once
// A whole document printed the way the PostScript core driver prints it, with the render
// plug-in taking part through its COM interface:
//
//   the job's DEVMODE (public part, driver's private area, the plug-in's block) goes into the
//   DEVOBJ with the printer's handle; EnablePDEV with a GDIINFO of the job's paper; then the
//   DDI calls through the plug-in's hooks: DrvStartDoc (document name, spooler job id), per
//   page DrvStartPage and DrvSendPage, then DrvEndDoc. Each hook does its bookkeeping and
//   forwards to the stand-in's own DDI function, which writes the driver's PostScript into the
//   job's spool (Job::spool, where the plug-in's DrvWriteSpoolBuf writes land too) and calls
//   the plug-in's Command at every injection point on the way.
//
// The stream, with the injection points in the order and at the places the Windows PostScript
// driver documents them (PSINJECTDATA, IPrintOemPS::Command); [NAME] is Command at
// PSINJECT_NAME, and "[NAME] line" a driver line that the plug-in may replace (the driver
// writes it when Command answers ERROR_NOT_SUPPORTED):
//
//   DrvStartDoc   [BEGINSTREAM] [PSADOBE] %!PS-Adobe-3.0, %%Title, %%Creator, %%LanguageLevel,
//                 [BOUNDINGBOX] %%BoundingBox, [DOCUMENTPROCESSCOLORSATEND] %%DocumentProcessColors:
//                 (atend), %%DocumentNeededResources: (atend), %%DocumentSuppliedResources:
//                 (atend), [PAGESATEND] %%Pages: (atend), [PAGEORDER] %%PageOrder,
//                 [ORIENTATION] %%Orientation, [COMMENTS] %%EndComments
//                 %%BeginDefaults [BEGINDEFAULTS] %%PageOrientation [ENDDEFAULTS] %%EndDefaults
//                 %%BeginProlog [BEGINPROLOG] prolog features, the document's prolog
//                 [ENDPROLOG] %%EndProlog
//                 %%BeginSetup [BEGINSETUP] setup features, the document's setup [ENDSETUP]
//                 %%EndSetup
//   DrvStartPage  [PAGENUMBER] %%Page: n n, [PAGEBBOX] %%PageBoundingBox, [ENDPAGECOMMENTS]
//                 %%EndPageComments, %%BeginPageSetup [BEGINPAGESETUP] [VMSAVE] the page's save,
//                 page features, the document's page setup [ENDPAGESETUP] %%EndPageSetup
//   (the page's content, from the document)
//   DrvSendPage   [SHOWPAGE] showpage, the page's restore [VMRESTORE] %%PageTrailer
//                 [PAGETRAILER]
//   DrvEndDoc     %%Trailer [TRAILER] [PAGES] %%Pages: N, %%DocumentNeededResources
//                 [DOCNEEDEDRES], %%DocumentSuppliedResources [DOCSUPPLIEDRES],
//                 [DOCUMENTPROCESSCOLORS] %%DocumentProcessColors, the document's trailer,
//                 %%EOF [EOF] [ENDSTREAM]
//
// Nothing is written before Command at PSINJECT_BEGINSTREAM nor after Command at
// PSINJECT_ENDSTREAM. The driver's own lines carry no clock time and no user name. Features
// are written as "[{" %%BeginFeature: *Keyword Option, the PPD's invocation, %%EndFeature
// "} stopped cleartomark", by their *OrderDependency: "Prolog" in the prolog, "DocumentSetup"
// and "AnySetup" in the setup, "PageSetup" in every page setup. The document's own showpage
// does nothing while its prolog and its pages run: the driver ends every page itself.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/abi.h"
#include "host/core_driver.h"
#include "host/device.h"
#include "host/devmode_buffer.h"
#include "host/dsc_document.h"
#include "host/ppd_file.h"
#include "settings/record.h"

namespace zenta::host {

// The record of a DEVMODE's plug-in block, when the block is a valid plug-in devmode.
std::optional<settings::Record> devmode_record(const DevmodeBuffer& devmode);

// The settings a job with this DEVMODE prints with, as the plug-in takes them at each
// injection point: the block's record, validated and with the public DEVMODE applied to it
// (for the printer `printer`, which may be null). Nothing without a valid block. The driver
// chooses its PPD options and paper from these.
std::optional<settings::Record> job_settings(const DevmodeBuffer& devmode, abi::HANDLE printer);

// Writes a whole plug-in devmode with this record into a DEVMODE's block; false when the
// block is too small for one.
bool set_devmode_record(DevmodeBuffer& devmode, const settings::Record& record);

// Sets the public fields of a DEVMODE to what the job settings choose, as the core driver
// keeps them in step with its own settings: orientation, paper (number, form name and size;
// a custom size as paper 32767), copies, resolution and, when the printer has a bin for the
// settings' tray, the default source (else DM_DEFAULTSOURCE is cleared). `printer` may be null.
void set_public_fields(DevmodeBuffer& devmode, const settings::Record& record, abi::HANDLE printer);

// An application's DEVMODE for the device `device_name`: a fresh DEVMODE whose plug-in block
// holds this record and whose public fields follow it (set_public_fields).
DevmodeBuffer application_devmode(std::u16string_view device_name, const settings::Record& record,
                                  abi::HANDLE printer);

// One PPD option the driver sends with the job.
struct FeatureChoice {
    const PpdFeature* feature = nullptr;
    const PpdOption* option = nullptr;
};

// The options the driver sends: for every UI feature of the PPD (JCL features and PageRegion
// left out) the option the job settings name through their PPD keywords, when the PPD has it,
// else the PPD's default; a feature without an option or whose invocation is empty is left
// out. In *OrderDependency order (features without one last), file order among equals.
std::vector<FeatureChoice> choose_features(const PpdFile& ppd, const settings::Record* record);

// The paper of the job: the chosen PageSize option of the PPD with its translation and
// *PaperDimension (A4, 595 by 842 points, when the PPD gives none), and the orientation of
// the settings.
struct JobPaper {
    std::string keyword;  // "A4"
    std::string name;     // "A4" (the option's translation, else its keyword)
    PpdPaperDimension size{595, 842};
    bool landscape = false;
};
JobPaper job_paper(const PpdFile& ppd, const settings::Record* record);

// What each page of the test document shows for this paper: "A4, 210 x 297 mm" and the
// orientation.
TestPageText test_page_text(const JobPaper& paper);

// One Command call of the driver: the injection point, what Command returned and answered,
// and the bytes of the spool written during the call ([begin, end)).
struct InjectionCall {
    abi::DWORD index = 0;
    abi::HRESULT hr = abi::S_OK;
    abi::DWORD result = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The time the plug-in's Command took in one job: in the calls of the pages (DrvStartPage to
// DrvSendPage) and in the others (the job's start and end).
struct CommandTime {
    std::chrono::nanoseconds pages{};
    std::chrono::nanoseconds job{};
    std::size_t calls = 0;
    // Each page's own time: their median says what a page costs, whatever the machine did in
    // between.
    std::vector<std::chrono::nanoseconds> each_page;

    std::chrono::nanoseconds median_page() const;
};

class PrintJob final : public DocumentDriver {
public:
    // The driver must live as long as the print job; the PPD and document are copied.
    PrintJob(CoreDriver& driver, PpdFile ppd, DscDocument document);
    ~PrintJob() override;
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Prints the document with this DEVMODE on the printer `printer` (its handle goes into
    // DEVOBJ.hPrinter; the driver's PPD options and paper follow job_settings()): loads the plug-in as far as
    // needed, answers the plug-in's PPD queries from the PPD, enables the driver and the PDEV and runs the
    // DDI calls. The stream is in driver().job().spool (emptied first). False, with error() set, when a step
    // fails. A driver prints one job.
    bool print(const DevmodeBuffer& devmode, abi::HANDLE printer, std::u16string_view document_name,
               abi::DWORD job_id);

    const std::string& error() const { return error_; }
    // Every Command call of the job, in order.
    const std::vector<InjectionCall>& injections() const { return injections_; }
    unsigned pages_printed() const { return page_; }
    const std::string& spool() const { return driver_.job().spool; }
    // Hands the stream to `sink` piece by piece (after DrvStartDoc, every page and DrvEndDoc)
    // instead of keeping it whole, so that a job of any length takes the same memory; the
    // injection calls and the device's DDI calls are then not kept either.
    void stream_to(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }
    const CommandTime& command_time() const { return command_time_; }

    // ---- the driver's own DDI functions for the document (DocumentDriver)
    bool start_doc(abi::SURFOBJ* pso, const char16_t* document_name, abi::DWORD job_id) override;
    bool start_page(abi::SURFOBJ* pso) override;
    bool send_page(abi::SURFOBJ* pso) override;
    bool end_doc(abi::SURFOBJ* pso, abi::FLONG flags) override;

private:
    bool fail(std::string what);
    void write(std::string_view text);
    void line(std::string_view text);
    // Command at an injection point; true when the plug-in took the point (a line the driver
    // would replace is then left out).
    bool inject(abi::DWORD index);
    void replaceable(abi::DWORD index, std::string_view text);
    void features(std::string_view section);
    void resources(std::string_view comment, const std::vector<std::string>& list);
    void set_paper_geometry();
    void flush();

    CoreDriver& driver_;
    PpdFile ppd_;
    DscDocument document_;
    std::optional<DevmodeBuffer> devmode_;
    std::optional<settings::Record> record_;
    std::vector<FeatureChoice> choices_;
    JobPaper paper_;
    std::string title_;
    std::vector<InjectionCall> injections_;
    std::function<void(std::string_view)> sink_;
    CommandTime command_time_;
    DscPage current_page_;
    bool in_page_ = false;
    unsigned page_ = 0;
    bool started_ = false;
    std::string error_;
};

}  // namespace zenta::host
