#include "cli/mediainforeport.h"

#include "shared/keltime.h"
#include "shared/kelunits.h"

#include <QStringList>

#include <json/json.h>

#include <algorithm>

namespace Tarn {

namespace {

Json::Value jsonText(const QString &text)
{
    return Json::Value(text.toStdString());
}

Json::Value jsonTextOrNull(const QString &text)
{
    return text.isEmpty() ? Json::Value(Json::nullValue) : jsonText(text);
}

QString compact(const Json::Value &value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return QString::fromStdString(Json::writeString(builder, value));
}

QStringList sortedLanguages(const Kel::WebMediaInfo &info)
{
    QStringList languages = info.subtitleLanguages;
    std::sort(languages.begin(), languages.end());
    return languages;
}

} // namespace

bool MediaInfoReport::isVideoOnly(const Kel::MediaProfile &profile)
{
    return profile.dash && profile.type != Kel::Audio;
}

bool MediaInfoReport::isAudioOnly(const Kel::MediaProfile &profile)
{
    return profile.type == Kel::Audio;
}

QString MediaInfoReport::streamsText(const Kel::MediaProfile &profile)
{
    if (isAudioOnly(profile))
        return tr("audio only");
    if (isVideoOnly(profile))
        return tr("video only");
    return tr("video and audio");
}

QString MediaInfoReport::qualityText(const Kel::MediaProfile &profile)
{
    if (isAudioOnly(profile))
        return profile.qualityLabel.isEmpty() ? QStringLiteral("-") : profile.qualityLabel;
    const bool sized = profile.resolution.width() > 0 && profile.resolution.height() > 0;
    if (!sized && profile.qualityLabel.isEmpty())
        return QStringLiteral("-");
    return profile.resolutionString();
}

QString MediaInfoReport::text(const Kel::WebMediaInfo &info, const Kel::MediaProfile &chosen)
{
    QString out;
    out += info.title + QLatin1Char('\n');
    out += tr("  Page:       %1\n").arg(info.url);
    out += tr("  Duration:   %1\n")
               .arg(info.duration > 0 ? Kel::Time::fromSeconds(info.duration).toShortString() : tr("unknown"));
    const QStringList languages = sortedLanguages(info);
    out += tr("  Subtitles:  %1\n").arg(languages.isEmpty() ? tr("none") : languages.join(QLatin1String(", ")));
    out += tr("  Qualities:  (* is what a download gets with the current settings)\n");

    QList<QStringList> table;
    table.append({QString(), tr("NAME"), tr("QUALITY"), tr("FORMAT"), tr("SIZE"), tr("STREAMS")});
    for (const Kel::MediaProfile &profile : info.profiles) {
        const bool isChosen = chosen.isValid() && profile.name == chosen.name && profile.url == chosen.url;
        QString streams = streamsText(profile);
        if (isChosen && !chosen.audioFormat.isEmpty())
            streams = tr("%1, with the audio of %2").arg(streams, chosen.audioFormat);
        table.append({isChosen ? QStringLiteral("*") : QString(), profile.name, qualityText(profile), profile.format,
                      profile.size > 0 ? Kel::Units::sizeString(profile.size) : tr("unknown"), streams});
    }
    QList<int> widths(table.first().size(), 0);
    for (const QStringList &row : qAsConst(table)) {
        for (int i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], int(row.at(i).size()));
    }
    for (const QStringList &row : qAsConst(table)) {
        QString line = QStringLiteral("  ");
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row.at(i).leftJustified(widths.at(i) + 2) : row.at(i);
        out += line + QLatin1Char('\n');
    }
    return out;
}

QString MediaInfoReport::json(const Kel::WebMediaInfo &info, const Kel::MediaProfile &chosen)
{
    Json::Value root(Json::objectValue);
    root["url"] = jsonText(info.url);
    root["title"] = jsonText(info.title);
    root["duration"] = info.duration > 0 ? Json::Value(Json::Int64(info.duration)) : Json::Value(Json::nullValue);
    root["thumbnail"] = jsonTextOrNull(info.thumbnailUrl);
    Json::Value subtitles(Json::arrayValue);
    for (const QString &language : sortedLanguages(info))
        subtitles.append(jsonText(language));
    root["subtitles"] = subtitles;

    Json::Value qualities(Json::arrayValue);
    for (const Kel::MediaProfile &profile : info.profiles) {
        Json::Value q(Json::objectValue);
        const bool sized = profile.resolution.width() > 0 && profile.resolution.height() > 0;
        const bool isChosen = chosen.isValid() && profile.name == chosen.name && profile.url == chosen.url;
        q["name"] = jsonText(profile.name);
        q["quality"] = jsonText(qualityText(profile));
        q["format"] = jsonText(profile.format);
        q["width"] = sized ? Json::Value(profile.resolution.width()) : Json::Value(Json::nullValue);
        q["height"] = sized ? Json::Value(profile.resolution.height()) : Json::Value(Json::nullValue);
        q["size"] = profile.size > 0 ? Json::Value(Json::Int64(profile.size)) : Json::Value(Json::nullValue);
        q["videoOnly"] = isVideoOnly(profile);
        q["audioOnly"] = isAudioOnly(profile);
        q["videoCodec"] = jsonTextOrNull(profile.vCodec);
        q["audioCodec"] = jsonTextOrNull(profile.aCodec);
        q["audioBitRate"] = profile.aBitRate > 0 ? Json::Value(profile.aBitRate) : Json::Value(Json::nullValue);
        q["chosen"] = isChosen;
        q["audioPartner"] = isChosen ? jsonTextOrNull(chosen.audioFormat) : Json::Value(Json::nullValue);
        qualities.append(q);
    }
    root["qualities"] = qualities;
    return compact(root);
}

QString MediaInfoReport::jsonError(const QString &page, const QString &reason)
{
    Json::Value root(Json::objectValue);
    root["url"] = jsonText(page);
    root["error"] = jsonText(reason);
    return compact(root);
}

} // namespace Tarn
