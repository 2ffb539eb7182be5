#include "marlin/convertparameters/presettexts.h"

#include <QCoreApplication>

namespace Tarn {

namespace {

// conf/profiles.json, in file order.
[[maybe_unused]] const char *const shippedTexts[] = {
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "iPhone (Compact)"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Android Phone"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Android Phone HD"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Basic Phone"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Android Tablet"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Android Tablet (720p)"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "E-Reader Tablet"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "HD TV 720p"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "DVD Player (Xvid AVI)"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "TV USB Stick (PAL)"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Web Video 1080p"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Web Video 720p"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Flash Video (FLV)"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "E-mail Attachment"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "MP4 Original Size"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "MP3 High Quality"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "MP3 Small"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Phone"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Tablet"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "TV"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Web Video"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Video"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Audio"),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 video with AAC sound for recent iPhones."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p H.264 video for iPhones when storage is short."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p H.264 video with AAC sound; plays on every Android phone."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 video for high-resolution Android phones."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Small 360p video for older phones and slow storage."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 video with AAC sound for iPad and iPad mini."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 video for Android tablets."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p H.264 video for smaller or older Android tablets."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "480p H.264 video for e-reader tablets with small screens."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 video for smart TVs and streaming boxes."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Ultra HD H.265 video in MKV for 4K TVs."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p H.264 video for HD-ready TVs."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 video with AAC sound for Apple TV."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Standard-definition Xvid video with MP3 sound for DVD players that read AVI files."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Standard-definition H.264 video at 25 frames per second for European TVs."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Full HD H.264 MP4, the upload format video sites prefer."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p H.264 MP4 for uploads and web pages."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p VP9 video with Opus sound for web pages."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "480p VP8 video with Vorbis sound for older browsers."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "480p H.264 video in FLV for legacy web players."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Small 320x240 MP4 that fits in an e-mail."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p H.264 MP4 with AAC sound; plays almost everywhere."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "1080p H.264 MP4 with AAC sound."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "H.264 MP4 that keeps the source's frame size and bit rate."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "1080p H.265 video in MKV: the same quality in less space."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "1080p H.264 MOV for video editors."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "480p MPEG-4 AVI with MP3 sound for older players."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p Windows Media video with WMA sound."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "480p FLV with H.264 video and AAC sound."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "720p WebM with VP9 video and Opus sound."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "MP3 at 320 kbps: the best MP3 sound."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "MP3 at 192 kbps for music players."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "MP3 at 128 kbps for speech and small files."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "AAC sound at 256 kbps in M4A, the iTunes format."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Lossless ALAC sound in M4A."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Uncompressed CD-quality sound."),
    QT_TRANSLATE_NOOP("Tarn::PresetTexts", "Lossless compressed sound."),
};

} // namespace

QString PresetTexts::translate(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QCoreApplication::translate("Tarn::PresetTexts", text.toUtf8().constData());
}

} // namespace Tarn
