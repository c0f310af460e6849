#include "preview.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "files.h"
#include "host/ghostscript.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "page-";
constexpr std::string_view kSuffix = ".png";

fs::path path_of(const std::string& utf8) { return fs::path(util::utf8_to_utf16(utf8)); }
std::string utf8_of(const fs::path& path) { return util::utf16_to_utf8(path.u16string()); }

// The page number of "page-NNN.png" (three digits or more), else 0.
unsigned page_number(const std::string& name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return 0;
    const std::string digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (digits.size() < 3 || digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), digit)) return 0;
    return static_cast<unsigned>(std::stoul(digits));
}

std::string page_name(unsigned page) {
    std::string number = std::to_string(page);
    if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
    return std::string(kPrefix) + number + std::string(kSuffix);
}

// Ghostscript's first error line, else the end of its output.
std::string ghostscript_error(const std::string& output) {
    const std::size_t at = output.find("Error:");
    if (at == std::string::npos) return output.size() > 400 ? output.substr(output.size() - 400) : output;
    const std::size_t start = output.rfind('\n', at) + 1;  // 0 when the error is on the first line
    return output.substr(start, output.find('\n', at) - start);
}

// Moves the rendered pages into the target directory, each written whole or not at all.
bool deliver(const fs::path& rendered, unsigned pages, const std::string& directory,
             std::vector<std::string>& names, std::string& error) {
    const fs::path target = path_of(directory);
    std::error_code ec;
    fs::create_directories(target, ec);
    if (!fs::is_directory(target, ec)) {
        error = "cannot make the directory '" + directory + "'";
        return false;
    }
    for (unsigned page = 1; page <= pages; ++page) {
        const std::string name = page_name(page);
        std::ifstream in(rendered / name, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        const std::string path = utf8_of(target / name);
        if (!in || bytes.empty() || !replace_file(path, bytes)) {
            error = "cannot write '" + path + "'";
            return false;
        }
        names.push_back(path);
    }
    // What an earlier, longer preview left would read as pages of this job.
    for (const auto& entry : fs::directory_iterator(target, ec))
        if (page_number(utf8_of(entry.path().filename())) > pages) fs::remove(entry.path(), ec);
    return true;
}

}  // namespace

std::optional<std::vector<std::string>> render_preview(std::string_view job, const std::string& directory,
                                                       unsigned dpi, std::string& error) {
    const std::string postscript = host::job_postscript(job);
    if (postscript.empty()) {
        error = "no PostScript in the job (no line begins with %!)";
        return std::nullopt;
    }
    host::TemporaryDirectory work;
    if (!work) {
        error = work.error();
        return std::nullopt;
    }
    {
        std::ofstream out(work.path() / "job.ps", std::ios::binary);
        out.write(postscript.data(), static_cast<std::streamsize>(postscript.size()));
        if (!out.flush()) {
            error = "cannot write the job for Ghostscript";
            return std::nullopt;
        }
    }
    // As the job check runs it (-dSAFER; the tab procedure set's loader writes Zenta_file), on
    // the PNG device, each page into a file of its own.
    const host::GhostscriptRun run =
        host::run_ghostscript({"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "--permit-file-all=Zenta_file",
                               "-sDEVICE=png16m", "-r" + std::to_string(dpi), "-dTextAlphaBits=4",
                               "-dGraphicsAlphaBits=4", "-sOutputFile=page-%03d.png", "-f", "job.ps"},
                              work.path());
    if (!run.started) {
        error = run.error;
        return std::nullopt;
    }
    if (run.exit_code != 0 || run.output.find("Error:") != std::string::npos) {
        error = "Ghostscript reported an error (exit status " + std::to_string(run.exit_code) +
                "): " + ghostscript_error(run.output);
        return std::nullopt;
    }
    unsigned pages = 0;
    std::error_code ec;
    while (fs::exists(work.path() / page_name(pages + 1), ec)) ++pages;
    if (pages == 0) {
        error = "Ghostscript rendered no page";
        return std::nullopt;
    }
    std::vector<std::string> names;
    if (!deliver(work.path(), pages, directory, names, error)) return std::nullopt;
    return names;
}

}  // namespace zenta::tool
