#include "CharacterWriter.h"

#include "Sounds.h"
#include "choreography/Choreography.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <utility>

namespace clipvoice::characters {

namespace {

constexpr int kSide = 128;
constexpr int kAlphaThreshold = 128;

// Writes each distinct picture once and hands out its file name.
class ImageStore
{
public:
    explicit ImageStore(QString folder)
        : m_folder(std::move(folder))
    {}

    QString add(const QImage& picture)
    {
        const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(
            QByteArrayView(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        hash.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()));
        const QByteArray key = hash.result();
        const auto it = m_files.constFind(key);
        if (it != m_files.cend())
            return it.value();
        const QString name =
            QStringLiteral("img/%1.png").arg(m_files.size(), 4, 10, QLatin1Char('0'));
        if (!image.save(m_folder + QLatin1Char('/') + name))
            m_error = QStringLiteral("cannot write %1/%2").arg(m_folder, name);
        m_files.insert(key, name);
        return name;
    }
    qsizetype count() const { return m_files.size(); }
    QString error() const { return m_error; }

private:
    QString m_folder;
    QHash<QByteArray, QString> m_files;
    QString m_error;
};

// True when a pixel on the picture's edge is drawn: the drawing would be cut off.
bool touchesEdge(const QImage& image)
{
    const int w = image.width();
    const int h = image.height();
    for (int x = 0; x < w; ++x)
        if (qAlpha(image.pixel(x, 0)) >= kAlphaThreshold ||
            qAlpha(image.pixel(x, h - 1)) >= kAlphaThreshold)
            return true;
    for (int y = 0; y < h; ++y)
        if (qAlpha(image.pixel(0, y)) >= kAlphaThreshold ||
            qAlpha(image.pixel(w - 1, y)) >= kAlphaThreshold)
            return true;
    return false;
}

// True when the two pictures differ anywhere outside `rect`.
bool differsOutside(const QImage& a, const QImage& b, const QRect& rect)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!rect.contains(x, y) && a.pixel(x, y) != b.pixel(x, y))
                return true;
    return false;
}

// The tray icon: the rest pose cut to a square around the drawing.
QImage trayIcon(const Figure& figure)
{
    const QImage image = figure.render(figure.restPose(), kSide);
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) >= kAlphaThreshold)
                box |= QRect(x, y, 1, 1);
    const int side = std::max(box.width(), box.height());
    const QRect square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    return image.copy(square);
}

QJsonObject localized(const QString& language, const QString& name, const QString& description)
{
    return {{QStringLiteral("language"), language},
            {QStringLiteral("name"), name},
            {QStringLiteral("description"), description},
            {QStringLiteral("extraData"), QString()}};
}

} // namespace

QString writeCharacter(const Figure& figure, const CharacterDescription& d, const QString& folder)
{
    QDir dir(folder);
    if (dir.exists() && !dir.removeRecursively())
        return QStringLiteral("cannot clear %1").arg(folder);
    if (!dir.mkpath(QStringLiteral("img")) || !dir.mkpath(QStringLiteral("sounds")))
        return QStringLiteral("cannot create %1").arg(folder);

    ImageStore store(folder);
    // Drawing problems are collected so that one run names all of them.
    QStringList problems;
    QJsonArray animations;
    for (const AnimationPlan& plan : standardAnimations(figure)) {
        QJsonArray frames;
        for (qsizetype i = 0; i < plan.frames.size(); ++i) {
            const FramePlan& f = plan.frames[i];
            const QString where = QStringLiteral("%1 frame %2").arg(plan.name).arg(i);
            Pose pose = f.pose;
            if (f.mouths)
                pose.mouth = Mouth::Closed;
            const QImage image = figure.render(pose, kSide);
            if (touchesEdge(image))
                problems.append(
                    QStringLiteral("%1 is cut off at the edge of the picture").arg(where));
            QJsonObject frame{{QStringLiteral("image"), store.add(image)},
                              {QStringLiteral("duration"), f.duration}};
            if (!f.sound.isEmpty())
                frame.insert(QStringLiteral("sound"), f.sound);
            if (f.exitFrame >= 0)
                frame.insert(QStringLiteral("exitFrame"), f.exitFrame);
            if (!f.branches.isEmpty()) {
                QJsonArray branches;
                for (const BranchPlan& b : f.branches)
                    branches.append(QJsonObject{{QStringLiteral("frame"), b.frame},
                                                {QStringLiteral("probability"), b.probability}});
                frame.insert(QStringLiteral("branches"), branches);
            }
            if (f.mouths) {
                // Each overlay is the mouth's area cut from a drawing with that
                // mouth, so it covers the closed mouth underneath exactly.
                const QRect rect = figure.mouthRect(pose);
                QJsonArray mouths;
                for (int shape = 0; shape < SpeakingMouthCount; ++shape) {
                    Pose talking = pose;
                    talking.mouth = Mouth(shape);
                    const QImage withMouth = figure.render(talking, kSide);
                    if (differsOutside(image, withMouth, rect))
                        problems.append(QStringLiteral("%1: mouth %2 reaches outside its overlay")
                                            .arg(where)
                                            .arg(shape));
                    mouths.append(
                        QJsonObject{{QStringLiteral("shape"), shape},
                                    {QStringLiteral("file"), store.add(withMouth.copy(rect))},
                                    {QStringLiteral("x"), rect.x()},
                                    {QStringLiteral("y"), rect.y()}});
                }
                frame.insert(QStringLiteral("mouths"), mouths);
            }
            frames.append(frame);
        }
        QJsonObject animation{{QStringLiteral("name"), plan.name},
                              {QStringLiteral("transition"), plan.transition},
                              {QStringLiteral("frames"), frames}};
        if (!plan.returnAnimation.isEmpty())
            animation.insert(QStringLiteral("return"), plan.returnAnimation);
        animations.append(animation);
    }
    if (!store.error().isEmpty())
        return store.error();

    if (!trayIcon(figure).save(folder + QStringLiteral("/icon.png")))
        return QStringLiteral("cannot write the tray icon");

    QJsonObject sounds;
    const QMap<QString, QByteArray> made = makeSounds(d.soundPitch);
    for (auto it = made.cbegin(); it != made.cend(); ++it) {
        const QString name = QStringLiteral("sounds/%1.wav").arg(it.key());
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return QStringLiteral("cannot write %1").arg(file.fileName());
        sounds.insert(it.key(), name);
    }

    QJsonObject states;
    const QMap<QString, QStringList> stateMap = standardStates();
    for (auto it = stateMap.cbegin(); it != stateMap.cend(); ++it)
        states.insert(it.key(), QJsonArray::fromStringList(it.value()));

    const QJsonObject root{
        {QStringLiteral("output"), d.id + QStringLiteral(".acs")},
        {QStringLiteral("localized"),
         QJsonArray{localized(QStringLiteral("0x0411"), d.nameJapanese, d.descriptionJapanese),
                    localized(QStringLiteral("0x0409"), d.nameEnglish, d.descriptionEnglish)}},
        {QStringLiteral("width"), kSide},
        {QStringLiteral("height"), kSide},
        {QStringLiteral("alphaThreshold"), kAlphaThreshold},
        {QStringLiteral("flags"), QJsonObject{{QStringLiteral("standardAnimationSet"), true},
                                              {QStringLiteral("balloonSizeToText"), false}}},
        {QStringLiteral("voice"),
         QJsonObject{{QStringLiteral("speed"), d.voiceSpeed},
                     {QStringLiteral("pitch"), d.voicePitch},
                     {QStringLiteral("language"), QStringLiteral("0x0411")},
                     {QStringLiteral("gender"), d.voiceGender},
                     {QStringLiteral("age"), 20}}},
        {QStringLiteral("balloon"),
         QJsonObject{{QStringLiteral("lines"), 2},
                     {QStringLiteral("charsPerLine"), 28},
                     {QStringLiteral("text"), d.balloonText},
                     {QStringLiteral("background"), d.balloonBackground},
                     {QStringLiteral("border"), d.balloonBorder},
                     {QStringLiteral("font"), QStringLiteral("IPAPGothic")},
                     {QStringLiteral("fontHeight"), -14},
                     {QStringLiteral("fontWeight"), 400},
                     {QStringLiteral("italic"), false}}},
        {QStringLiteral("trayIcon"), QStringLiteral("icon.png")},
        {QStringLiteral("sounds"), sounds},
        {QStringLiteral("states"), states},
        {QStringLiteral("animations"), animations},
    };
    // With problems the manifest is still written, under a name the build does
    // not pick up, so that the drawings can be looked at.
    QFile manifest(
        folder + QLatin1Char('/') + d.id +
        (problems.isEmpty() ? QStringLiteral(".json") : QStringLiteral(".rejected.json")));
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (!manifest.open(QIODevice::WriteOnly) || manifest.write(json) != json.size())
        return QStringLiteral("cannot write %1").arg(manifest.fileName());
    return problems.join(QLatin1Char('\n'));
}

} // namespace clipvoice::characters
