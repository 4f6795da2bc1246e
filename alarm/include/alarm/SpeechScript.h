#pragma once
#include <map>
#include <set>
#include <string>

class AudioPlayerQueue;

// The words of a speech script: each names a recording (value + ".mp3" beside the dictionary) or a
// composition of other words.
class SpeechDictionary {
public:
    struct Entry {
        std::wstring value;
        std::wstring composition;
    };

    // An unreadable file, or one without a "Dictionary" element, leaves the dictionary empty.
    void load(const std::wstring& path);
    // Hands the word's recordings to the player in order; unknown words give nothing.
    void expand_word(const std::wstring& word, AudioPlayerQueue& player);

    const std::map<std::wstring, Entry>& words() const { return words_; }

private:
    // Compositions may lead back to themselves, or fan out without end: a word already being
    // expanded is refused, and depth and the words visited for one spoken word are bounded.
    static constexpr size_t max_depth = 16;
    static constexpr int max_words = 1024;
    void expand(const std::wstring& word, AudioPlayerQueue& player, std::set<std::wstring>& open_words, int& words);

    std::wstring folder_;
    std::map<std::wstring, Entry> words_;
};

// Speaks a time of day: runs the script's "if" and "out" statements over the hour and minute and
// hands the words of the first output that applies to the player queue.
class SpeechScript {
public:
    // A script that cannot be read speaks nothing.
    SpeechScript(AudioPlayerQueue* player, const std::wstring& script_path);
    ~SpeechScript();
    SpeechScript(const SpeechScript&) = delete;
    SpeechScript& operator=(const SpeechScript&) = delete;

    // hour 0..23, minute 0..59.
    void compose(int hour, int minute);

    bool eval_condition(const std::wstring& text, int hour, int minute) const;
    int eval_operand(const std::wstring& token, int hour, int minute) const;
    void output(const std::wstring& text, int hour, int minute);

    const SpeechDictionary& dictionary() const { return dictionary_; }
    const std::wstring& text() const { return text_; }

private:
    void load(const std::wstring& script_path);
    // False when no "(" is left.
    bool next_statement(size_t& position, std::wstring& name, std::wstring& argument) const;

    AudioPlayerQueue* player_ = nullptr;
    std::wstring text_;
    SpeechDictionary dictionary_;
};
