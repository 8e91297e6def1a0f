#include "messages.h"

#ifndef ZRC_LANGUAGE_CODE
#error "ZRC_LANGUAGE_CODE (the language letter) comes from the build"
#endif

namespace zrc::player {

namespace {
struct Texts {
    const char* japanese;
    const char* english;
};

// The English column keeps its trailing blanks and repeats slot 2 in slots
// 3 and 6, as the recorder's own software shows them.
constexpr std::array<Texts, 18> kTexts{{
    {"終了", "Exit"},
    {"キャンセル", "Cancel"},
    {"ファイルが開きません。", "Can't open file"},
    {"ファイル形式が違います。", "Can't open file"},
    {"ZRC-PLAYER", "ZRC-PLAYER"},
    {"上書きしますか？", "Replace existing file?"},
    {"PCM 11kHzまたは8kHz MONOのWaveサウンドではありません。", "Can't open file"},
    {"ファイル", "File"},
    {"ファイルを開く", "Open"},
    {"wave fileに変換する", "Convert to wave "},
    {"8bit wave fileに変換して保存", "Save As 8bit wave "},
    {"16bit wave fileに変換して保存", "Save As 16bit wave "},
    {"ファイルを選択してください。", "Select file!"},
    {"操作", "Operation"},
    {"複数起動できません。", "Running already"},
    {"容量不足です。", "Short of capacity "},
    {"録音ファイル自身には保存できません。", "The recording itself cannot be the output file."},
    {"書き出し…", "Export…"},
}};
}  // namespace

MessageTable messageTable(char languageCode) {
    MessageTable table;
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        table[i] = QString::fromUtf8(languageCode == 'J' ? kTexts[i].japanese : kTexts[i].english);
    }
    return table;
}

char buildLanguageCode() { return ZRC_LANGUAGE_CODE; }

}  // namespace zrc::player
