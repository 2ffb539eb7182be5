#include "cli/profilescommand.h"

#include "cli/console.h"
#include "cli/profilechoice.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"

#include <json/json.h>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

QString pictureText(const Kel::MediaProfile &profile)
{
    if (profile.type == Kel::Audio || profile.vCodec.isEmpty())
        return ProfilesCommand::tr("sound only");
    if (profile.sameAsSource || profile.autoResolution)
        return ProfilesCommand::tr("source size");
    if (profile.resolution.width() > 0 && profile.resolution.height() > 0)
        return QStringLiteral("%1x%2").arg(profile.resolution.width()).arg(profile.resolution.height());
    return QStringLiteral("-");
}

Json::Value numberOrNull(qint64 value)
{
    return value > 0 ? Json::Value(Json::Int64(value)) : Json::Value(Json::nullValue);
}

} // namespace

ProfilesCommand::ProfilesCommand(QObject *parent)
    : CliCommand(parent)
    , jsonOption(QStringLiteral("json"), tr("Prints one JSON document."))
{
}

ProfilesCommand::~ProfilesCommand() = default;

QString ProfilesCommand::name() const
{
    return QStringLiteral("profiles");
}

QString ProfilesCommand::summary() const
{
    return tr("Lists the preset conversion profiles");
}

QString ProfilesCommand::synopsis() const
{
    return tr("[options]");
}

QString ProfilesCommand::description() const
{
    return tr("Lists the preset conversion profiles by category. The profile marked * is the quick-convert "
              "profile of your settings, which \"quick\" stands for in 'convert --profile' and 'download "
              "--convert'.");
}

void ProfilesCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOption(jsonOption);
}

bool ProfilesCommand::prepare(const QCommandLineParser &parser, QString *error)
{
    asJson = parser.isSet(jsonOption);
    if (!parser.positionalArguments().isEmpty()) {
        *error = tr("profiles takes no arguments");
        return false;
    }
    if (settings()->getPresetProfiles().isEmpty()) {
        *error = tr("no preset profiles could be read from %1").arg(settings()->getPresetProfileFile());
        return false;
    }
    return true;
}

void ProfilesCommand::start()
{
    Console::out(asJson ? json() + QLatin1Char('\n') : text());
    finish(ExitSuccess);
}

void ProfilesCommand::cancel(int signalNumber)
{
    finish(ExitSignalBase + signalNumber);
}

QString ProfilesCommand::text() const
{
    const Kel::MediaProfile quick = settings()->getQuickConvertProfile();
    const QMap<QString, QList<Kel::MediaProfile>> &presets = settings()->getPresetProfiles();
    int nameWidth = 0;
    for (const QList<Kel::MediaProfile> &profiles : presets) {
        for (const Kel::MediaProfile &profile : profiles)
            nameWidth = qMax(nameWidth, int(profile.name.size()));
    }
    QString out;
    for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
        out += it.key() + QLatin1Char('\n');
        for (const Kel::MediaProfile &profile : it.value()) {
            const bool isQuick = profile.name == quick.name;
            out += QStringLiteral("  %1 %2  %3  %4\n")
                       .arg(isQuick ? QStringLiteral("*") : QStringLiteral(" "), profile.name.leftJustified(nameWidth),
                            profile.format.leftJustified(5), pictureText(profile));
        }
        out += QLatin1Char('\n');
    }
    out += tr("* quick-convert profile (\"%1\"): %2\n")
               .arg(ProfileChoice::quickName(), ConvertItem::makeConvertParametersString(quick, true));
    return out;
}

QString ProfilesCommand::json() const
{
    const Kel::MediaProfile quick = settings()->getQuickConvertProfile();
    Json::Value root(Json::objectValue);
    root["quick"] = ConvertItem::makeConvertParametersString(quick, false).toStdString();
    Json::Value categories(Json::arrayValue);
    const QMap<QString, QList<Kel::MediaProfile>> &presets = settings()->getPresetProfiles();
    for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
        Json::Value category(Json::objectValue);
        category["name"] = it.key().toStdString();
        Json::Value profiles(Json::arrayValue);
        for (const Kel::MediaProfile &profile : it.value()) {
            Json::Value p(Json::objectValue);
            p["name"] = profile.name.toStdString();
            p["description"] = profile.description.toStdString();
            p["format"] = profile.format.toStdString();
            p["type"] = profile.type == Kel::Audio ? "audio" : "video";
            p["width"] = numberOrNull(profile.resolution.width());
            p["height"] = numberOrNull(profile.resolution.height());
            p["videoCodec"] = profile.vCodec.toStdString();
            p["videoBitRate"] = numberOrNull(profile.vBitRate);
            p["audioCodec"] = profile.aCodec.toStdString();
            p["audioBitRate"] = numberOrNull(profile.aBitRate);
            p["quick"] = profile.name == quick.name;
            profiles.append(p);
        }
        category["profiles"] = profiles;
        categories.append(category);
    }
    root["categories"] = categories;
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return QString::fromStdString(Json::writeString(builder, root));
}

} // namespace Tarn
