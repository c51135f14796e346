#include "speech/SpeechLanguages.h"

#include <QComboBox>
#include <QIcon>
#include <QPixmap>

namespace clipvoice::speech {

namespace {
// Items keep their key, like the items of an image combo box.
constexpr int kKeyRole = Qt::UserRole + 1;
} // namespace

std::optional<qint32> LanguageIdForIndex(int index)
{
    if (index < 1 || index > kSpeechLanguageCount)
        return std::nullopt;
    return SpeechLanguages[static_cast<std::size_t>(index - 1)].lcid;
}

void FillLanguagePicker(QComboBox& picker, const std::function<QPixmap(int picture)>& flag)
{
    const QSignalBlocker quiet(picker);
    for (const SpeechLanguage& language : SpeechLanguages) {
        const QString text = QString::fromLatin1(language.text);
        picker.addItem(QIcon(flag(language.picture)), text);
        picker.setItemData(picker.count() - 1, text, kKeyRole);
    }
    picker.setCurrentIndex(-1);
}

int pickerIndexOfKey(const QComboBox& picker, const QString& key)
{
    const int row = picker.findData(key, kKeyRole, Qt::MatchExactly);
    return row < 0 ? 0 : row + 1;
}

} // namespace clipvoice::speech
