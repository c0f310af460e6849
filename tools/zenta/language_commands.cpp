// Verbs of the localized texts: look a text up, and write or read an additional language file.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "environment/language_file.h"
#include "environment/text_table.h"
#include "util/utf.h"

namespace zenta::tool {
namespace {

int print_text(int language, int label_id) {
    std::cout << util::utf16_to_utf8(environment::text(language, label_id)) << '\n';
    return 0;
}

int encode(const std::string& in_path, const std::string& out_path) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(in_path, bytes)) {
        std::cerr << "zenta: lng encode: cannot read " << in_path << '\n';
        return 1;
    }
    std::string_view utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);  // the UTF-8 byte order mark
    const auto file = environment::encode_language_file(util::utf8_to_utf16(utf8));
    if (!file) {
        std::cerr << "zenta: lng encode: the platform's cipher failed\n";
        return 1;
    }
    if (!write_file(out_path, *file)) {
        std::cerr << "zenta: lng encode: cannot write " << out_path << '\n';
        return 1;
    }
    return 0;
}

int decode(const std::string& in_path) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(in_path, bytes)) {
        std::cerr << "zenta: lng decode: cannot read " << in_path << '\n';
        return 1;
    }
    if (bytes.size() < 2 || bytes.size() >= environment::kLanguageFileSizeLimit) {
        std::cerr << "zenta: lng decode: " << in_path << " is not a language file (size " << bytes.size()
                  << ")\n";
        return 1;
    }
    const auto text = environment::decode_language_file(bytes);
    if (!text) {
        std::cerr << "zenta: lng decode: the platform's cipher failed\n";
        return 1;
    }
    std::cout << util::utf16_to_utf8(*text);
    if (!text->empty() && text->back() != u'\n') std::cout << '\n';
    std::cout << "# additional languages: " << environment::count_additional_languages(*text) << '\n';
    return 0;
}

}  // namespace

void register_language_commands(CLI::App& app) {
    auto* text = app.add_subcommand(
        "text", "Print a localized text in UTF-8: language index (0 to 8 built in), label id");
    static int language = 0;
    static int label_id = 0;
    text->add_option("language", language,
                     "Language index: 0 English, 1 French, 2 Italian, 3 German, 4 Spanish, "
                     "5 Chinese (simplified), 6 Korean, 7 Chinese (traditional), 8 Japanese")
        ->required();
    text->add_option("label", label_id, "Label id (row of the text table, 0 to 2712)")->required();
    set_action(text, [] { return print_text(language, label_id); });

    auto* lng = app.add_subcommand("lng", "Write or read an additional language file");
    lng->require_subcommand(1);
    static std::string encode_in, encode_out, decode_in;
    auto* enc = lng->add_subcommand("encode", "Encipher a UTF-8 text file as a language file (.lng)");
    enc->add_option("input", encode_in, "The text: UTF-8, lines of tab-separated fields")->required();
    enc->add_option("output", encode_out, "The language file to write")->required();
    auto* dec =
        lng->add_subcommand("decode", "Print the text of a language file in UTF-8 and its language count");
    dec->add_option("input", decode_in, "The language file")->required();
    // The tool runs the action of the verb chosen at the top; "lng" hands on to its own verb.
    set_action(lng, [enc, dec] {
        if (enc->parsed()) return encode(encode_in, encode_out);
        if (dec->parsed()) return decode(decode_in);
        return 2;
    });
}

}  // namespace zenta::tool
