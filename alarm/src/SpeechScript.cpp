#include "alarm/SpeechScript.h"

#include "audio/AudioPlayerQueue.h"
#include "base/File.h"
#include "base/Path.h"
#include "base/Xml.h"
#include "plat/Text.h"

#include <string_view>
#include <vector>

namespace {

std::wstring without_white_space(std::wstring_view text) {
    std::wstring out;
    for (wchar_t c : text)
        if (!plat::is_space(c))
            out += c;
    return out;
}

std::vector<std::wstring> split_at_blanks(std::wstring_view text) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L' ', start);
        if (end == std::wstring_view::npos)
            end = text.size();
        if (end > start)
            pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

// A script saved with CR LF line ends leaves a CR (and perhaps blanks) around the first line.
std::wstring trimmed(std::wstring_view text) {
    size_t first = 0, last = text.size();
    while (first < last && plat::is_space(text[first]))
        ++first;
    while (last > first && plat::is_space(text[last - 1]))
        --last;
    return std::wstring(text.substr(first, last - first));
}

void replace_first(std::wstring& text, std::wstring_view placeholder, int value) {
    const size_t at = text.find(placeholder);
    if (at != std::wstring::npos)
        text.replace(at, placeholder.size(), std::to_wstring(value));
}

} // namespace

void SpeechDictionary::load(const std::wstring& path) {
    folder_ = liba::directory_part(path);
    words_.clear();
    liba::XmlNode document = liba::xml_load_document(path);
    liba::XmlNode dictionary = liba::xml_find_child(document, L"Dictionary");
    const int count = liba::xml_child_count(dictionary);
    for (int i = 0; i < count; ++i) {
        liba::XmlNode child = liba::xml_child_at(dictionary, i);
        const std::wstring name = liba::xml_node_name(child);
        if (name.empty() || name[0] == L'#')
            continue;  // text and comments are not words
        Entry entry;
        liba::xml_get_attribute(child, L"value", entry.value);
        liba::xml_get_attribute(child, L"composition", entry.composition);
        words_.emplace(name, entry);  // the first entry of a word counts
    }
}

void SpeechDictionary::expand_word(const std::wstring& word, AudioPlayerQueue& player) {
    std::set<std::wstring> open_words;
    int words = 0;
    expand(word, player, open_words, words);
}

// Every word visited counts, recorded or not: a wide fan of compositions over a few levels would
// otherwise take for ever even when it names no recording.
void SpeechDictionary::expand(const std::wstring& word, AudioPlayerQueue& player, std::set<std::wstring>& open_words,
                              int& words) {
    if (words >= max_words)
        return;
    ++words;
    auto it = words_.find(word);
    if (it == words_.end() || open_words.count(word) || open_words.size() >= max_depth)
        return;
    const Entry& entry = it->second;
    if (!entry.value.empty()) {
        player.play(liba::expand_path_macros(folder_ + entry.value + L".mp3"));
        return;
    }
    open_words.insert(word);
    for (const std::wstring& part : split_at_blanks(entry.composition))
        expand(part, player, open_words, words);
    open_words.erase(word);
}

SpeechScript::SpeechScript(AudioPlayerQueue* player, const std::wstring& script_path) : player_(player) {
    load(script_path);
}

SpeechScript::~SpeechScript() = default;

void SpeechScript::load(const std::wstring& script_path) {
    os::File file(script_path, os::File::mode_read);
    if (file.has_error())
        return;
    text_ = liba::decode_text(file, file.get_size());
    const size_t line_end = text_.find(L'\n');
    const std::wstring name = trimmed(std::wstring_view(text_).substr(0, line_end));
    const std::wstring folder = liba::strip_trailing_separator(liba::directory_part(script_path));
    dictionary_.load(folder.empty() ? name : folder + L"\\" + name);
    if (line_end != std::wstring::npos)
        text_.erase(0, line_end + 1);
}

bool SpeechScript::next_statement(size_t& position, std::wstring& name, std::wstring& argument) const {
    const size_t open = text_.find(L'(', position);
    if (open == std::wstring::npos)
        return false;
    name = without_white_space(std::wstring_view(text_).substr(position, open - position));
    position = open + 1;
    const size_t close = text_.find(L')', position);
    if (close != std::wstring::npos) {
        argument = text_.substr(position, close - position);
        position = close + 1;
    }
    return true;
}

void SpeechScript::compose(int hour, int minute) {
    size_t position = 0;
    bool condition = true;
    std::wstring name, argument;
    while (next_statement(position, name, argument)) {
        if (name == L"if") {
            condition = eval_condition(argument, hour, minute);
        } else if (name == L"out") {
            if (condition) {
                output(argument, hour, minute);
                return;
            }
            condition = true;
        } else {
            return;
        }
    }
}

bool SpeechScript::eval_condition(const std::wstring& text, int hour, int minute) const {
    const std::vector<std::wstring> tokens = split_at_blanks(text);
    bool result = false;
    bool and_mode = false;
    size_t p = 0;
    while (p < tokens.size()) {
        if (tokens.size() - p < 3)
            return false;
        const int a = eval_operand(tokens[p], hour, minute);
        const int b = eval_operand(tokens[p + 2], hour, minute);
        const std::wstring op = without_white_space(tokens[p + 1]);
        bool comparison = false;
        if (op == L">") comparison = a > b;
        else if (op == L"<") comparison = a < b;
        else if (op == L">=") comparison = a >= b;
        else if (op == L"<=") comparison = a <= b;
        else if (op == L"==") comparison = a == b;
        else if (op == L"!=") comparison = a != b;
        result = and_mode ? (result && comparison) : (result || comparison);
        if (p + 3 < tokens.size()) {
            if (tokens[p + 3] == L"|")
                and_mode = false;
            else if (tokens[p + 3] == L"&")
                and_mode = true;
            else
                return false;
        }
        p += 4;
    }
    return result;
}

int SpeechScript::eval_operand(const std::wstring& token, int hour, int minute) const {
    const std::wstring t = without_white_space(token);
    if (t == L"%H%") return hour;
    if (t == L"%M%") return minute;
    if (t == L"%60-M%") return 60 - minute;
    if (t == L"%H+1%") return (hour + 1) % 24;
    if (t == L"%H-1%") return (hour + 23) % 24;
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == L'+' || t[i] == L'-'))
        negative = t[i++] == L'-';
    long long value = 0;
    for (; i < t.size() && t[i] >= L'0' && t[i] <= L'9'; ++i)
        value = std::min<long long>(value * 10 + (t[i] - L'0'), 0x7FFFFFFF);
    return static_cast<int>(negative ? -value : value);
}

void SpeechScript::output(const std::wstring& text, int hour, int minute) {
    std::wstring words = text;
    replace_first(words, L"%H%", hour);
    replace_first(words, L"%H+1%", (hour + 1) % 24);
    replace_first(words, L"%H-1%", (hour + 23) % 24);
    replace_first(words, L"%M%", minute);
    replace_first(words, L"%60-M%", 60 - minute);
    if (!player_)
        return;
    for (const std::wstring& word : split_at_blanks(words))
        dictionary_.expand_word(word, *player_);
}
