#pragma once
// A device context as the core driver keeps it while the plug-in takes part in rendering: the
// DEVOBJ handed to every per-device call (pdevOEM holds the plug-in's PDEV), the GDIINFO and
// DEVINFO that EnablePDEV may adjust, the printer name and pattern surfaces, a surface whose
// dhpdev is the DEVOBJ (as the plug-in's hooks receive it), and the log of the calls that
// reached the core driver's own DDI functions on this device.
//
// The core driver's own DDI functions are the stand-in's: one for each function the plug-in
// hooks. Each records its DDI index and arguments in the log of the device it was called for
// (found through the surface's dhpdev or the dhpdev argument) and returns ddi_result(index),
// so that a check can tell which function answered and with what. While a document is printed
// on the device, DrvStartDoc, DrvStartPage, DrvSendPage and DrvEndDoc also do the driver's
// work for the document: they hand the call to the device's DocumentDriver, and answer FALSE
// when it fails.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "abi/abi.h"

namespace zenta::host {

// One call that reached a DDI function of the stand-in.
struct DdiCall {
    abi::ULONG index = 0;             // INDEX_Drv* number of the function
    std::vector<std::uint64_t> args;  // every argument in order; pointers as their addresses

    friend bool operator==(const DdiCall&, const DdiCall&) = default;
};

// What the stand-in's DDI function of this index returns ("ZD" and the index), converted to
// the function's result type: a non-zero BOOL, ULONG or LONG, or a pointer of that value.
constexpr std::uint32_t ddi_result(abi::ULONG index) { return 0x5A440000u | (index & 0xFFFFu); }

// The stand-in's DDI functions, in ascending DDI index: one for every function that the
// render plug-in hooks.
std::span<const abi::DRVFN> ddi_functions();

// The stand-in's function of this DDI index, or null.
abi::PFN ddi_function(abi::ULONG index);

// The function table the core driver passes to EnablePDEV: by default all of ddi_functions();
// single functions can be left out to play a driver that lacks them.
class DriverTable {
public:
    DriverTable();
    DriverTable(const DriverTable& other);
    DriverTable& operator=(const DriverTable& other);

    // Leaves the function of this DDI index out of the table.
    void omit(abi::ULONG index);
    // Every function again.
    void restore();
    // The table as DRVENABLEDATA; valid until the table is changed or destroyed.
    abi::DRVENABLEDATA* data() { return &data_; }
    std::span<const abi::DRVFN> entries() const { return entries_; }

private:
    void refresh();

    std::vector<abi::DRVFN> entries_;
    abi::DRVENABLEDATA data_{};
};

// The core driver's work for a document on one device: writing its PostScript stream, with the
// render plug-in's Command at each injection point. Called from the stand-in's own DDI
// functions after they logged the call; false makes the DDI function answer FALSE.
class DocumentDriver {
public:
    virtual ~DocumentDriver() = default;
    virtual bool start_doc(abi::SURFOBJ* pso, const char16_t* document_name, abi::DWORD job_id) = 0;
    virtual bool start_page(abi::SURFOBJ* pso) = 0;
    virtual bool send_page(abi::SURFOBJ* pso) = 0;
    virtual bool end_doc(abi::SURFOBJ* pso, abi::FLONG flags) = 0;
};

class Device {
public:
    static constexpr abi::ULONG kPatternCount = 6;  // HS_DDI_MAX: the hatch brush patterns

    Device();
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    abi::DEVOBJ* devobj() { return &devobj_; }
    const abi::DEVOBJ* devobj() const { return &devobj_; }
    abi::GDIINFO& gdi_info() { return gdi_info_; }
    abi::DEVINFO& dev_info() { return dev_info_; }
    abi::HSURF* patterns() { return patterns_.data(); }
    // The printer name as EnablePDEV receives it (a terminated, writable UTF-16 buffer).
    abi::PWSTR printer_name() { return printer_name_.data(); }
    void set_printer_name(std::u16string_view name);
    // A surface of this device as GDI hands it to the hooks: dhpdev is the DEVOBJ and the
    // bitmap is the printable area of the GDIINFO.
    abi::SURFOBJ* surface();

    // The driver of the document printed on this device, or null (the DDI functions then only
    // log their calls). Not owned.
    DocumentDriver* document_driver() const { return document_driver_; }
    void set_document_driver(DocumentDriver* driver) { document_driver_ = driver; }

    // Calls that reached the stand-in's DDI functions for this device, oldest first.
    const std::vector<DdiCall>& ddi_calls() const { return calls_; }
    void clear_ddi_calls() { calls_.clear(); }
    void record(DdiCall call);

    // The live device whose DEVOBJ is at this address, or null.
    static Device* find(const void* devobj);

    // The capabilities the stand-in reports: an A4 sheet at 600 dots per inch with a printable
    // area inset by 100 dots on every side.
    static abi::GDIINFO default_gdi_info();

private:
    abi::DEVOBJ devobj_{};
    abi::GDIINFO gdi_info_{};
    abi::DEVINFO dev_info_{};
    std::array<abi::HSURF, kPatternCount> patterns_{};
    std::u16string printer_name_;
    abi::SURFOBJ surface_{};
    std::vector<DdiCall> calls_;
    DocumentDriver* document_driver_ = nullptr;
};

// Calls that reached a stand-in DDI function with no live device to attribute them to.
std::vector<DdiCall> unattributed_ddi_calls();
void clear_unattributed_ddi_calls();

}  // namespace zenta::host
