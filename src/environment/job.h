#pragma once
// The driver job identifier, the job notification, and the working directory for files the
// plug-in makes during a job.

#include <optional>
#include <string>

namespace zenta::environment {

// Gives the pseudo-random generator its start value from the clock and the thread, once per
// thread (the C runtime keeps its state per thread).
void start_random_once();

// 26 characters: "ACDE48" and three random bytes as 12 upper-case hex digits, then the UTC time
// as month, day, hour, minute, second (two digits each) and milliseconds (four digits).
std::string make_job_identifier();

// Makes a job identifier and tells the job notification library beside the plug-in about it
// (BdcSetNotifyPrint(identifier, printer name)); the identifier comes back whether or not the
// library is there.
std::string notify_job(void* module, std::u16string_view printer_name);

// A writable directory for the job's files, ending in a separator: the first candidate that
// exists and takes a probe file. Candidates: the temporary directory (before Windows Vista),
// the common application data folder (with a printer), the printer's spool directory (with a
// printer), the temporary directory (Vista and later).
std::optional<std::u16string> choose_working_directory(void* printer);

}  // namespace zenta::environment
