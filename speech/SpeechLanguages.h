#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QPixmap;

namespace clipvoice::speech {

// One speech language. Its 1-based position in the table identifies it
// everywhere: the picker item, the stored setting and the lookup below.
struct SpeechLanguage
{
    int position;
    const char* text; // shown in the picker, and the item's key
    int picture;      // 1-based index of its flag picture; always the position
    qint32 lcid;      // Windows language identifier
};

inline constexpr int kSpeechLanguageCount = 31;

// The fixed table, in the order stored settings rely on.
inline constexpr std::array<SpeechLanguage, kSpeechLanguageCount> SpeechLanguages = {{
    {1, "Japanese", 1, 1041},
    {2, "English (US)", 2, 1033},
    {3, "English (British)", 3, 2057},
    {4, "Arabic", 4, 1025},
    {5, "Chinese (Traditional)", 5, 1028},
    {6, "Czech", 6, 1029},
    {7, "Danish", 7, 1030},
    {8, "German", 8, 1031},
    {9, "Greek", 9, 1032},
    {10, "Finnish", 10, 1035},
    {11, "French", 11, 1036},
    {12, "Hebrew", 12, 1037},
    {13, "Hungarian", 13, 1038},
    {14, "Italian", 14, 1040},
    {15, "Korean", 15, 1042},
    {16, "Dutch", 16, 1043},
    {17, "Norwegian", 17, 1044},
    {18, "Polish", 18, 1045},
    {19, "Portuguese (Brazil)", 19, 1046},
    {20, "Romanian", 20, 1048},
    {21, "Russian", 21, 1049},
    {22, "Croatian", 22, 1050},
    {23, "Slovakian", 23, 1051},
    {24, "Swedish", 24, 1053},
    {25, "Thai", 25, 1054},
    {26, "Turkish", 26, 1055},
    {27, "Slovenian", 27, 1060},
    {28, "Basque", 28, 1069},
    {29, "Chinese (Simplified)", 29, 2052},
    {30, "Portuguese (Portugal)", 30, 2070},
    {31, "Spanish", 31, 3082},
}};

// The language identifier of the row at a 1-based position; none outside 1 to 31.
std::optional<qint32> LanguageIdForIndex(int index);

// Appends one item per language, in table order, to the empty picker: text
// and key are the language's text, the picture its flag. Selects nothing.
void FillLanguagePicker(QComboBox& picker, const std::function<QPixmap(int picture)>& flag);

// The 1-based position of the picker item whose key is the text; 0 when none.
int pickerIndexOfKey(const QComboBox& picker, const QString& key);

} // namespace clipvoice::speech
