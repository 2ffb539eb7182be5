<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BalloonMessageDialogUi</name>
    <message>
        <location filename="../widgetkit/balloonmessagedialog.ui" line="+83"/>
        <source>Don&apos;t show me again</source>
        <translation>Nicht mehr anzeigen</translation>
    </message>
</context>
<context>
    <name>Kel::PuxDownloader</name>
    <message>
        <location filename="../webfetch/puxdownloader.cpp" line="+200"/>
        <source>No quality of the page was chosen.</source>
        <translation>Es wurde keine Qualität der Seite ausgewählt.</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>No sound of the page was chosen.</source>
        <translation>Es wurde keine Tonspur der Seite ausgewählt.</translation>
    </message>
    <message>
        <location line="+99"/>
        <source>The extractor tool crashed or was killed.</source>
        <translation>Das Extraktionswerkzeug ist abgestürzt oder wurde beendet.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The extractor tool stopped with exit code %1.</source>
        <translation>Das Extraktionswerkzeug wurde mit dem Rückgabewert %1 beendet.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>The extractor tool ended without naming the file it wrote.</source>
        <translation>Das Extraktionswerkzeug wurde beendet, ohne die geschriebene Datei zu nennen.</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>The finished file could not be given the name %1: %2</source>
        <translation>Die fertige Datei konnte nicht in %1 umbenannt werden: %2</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>ffmpeg crashed or was killed while putting the streams together.</source>
        <translation>ffmpeg ist beim Zusammenführen der Datenströme abgestürzt oder wurde beendet.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>ffmpeg could not put the streams together (exit code %1).</source>
        <translation>ffmpeg konnte die Datenströme nicht zusammenführen (Rückgabewert %1).</translation>
    </message>
</context>
<context>
    <name>Kel::PuxExtractor</name>
    <message>
        <location filename="../webfetch/puxextractor.cpp" line="+171"/>
        <location line="+41"/>
        <source>The extractor tool stopped with exit code %1.</source>
        <translation>Das Extraktionswerkzeug wurde mit dem Rückgabewert %1 beendet.</translation>
    </message>
    <message>
        <location line="-4"/>
        <source>The extractor tool crashed or was killed.</source>
        <translation>Das Extraktionswerkzeug ist abgestürzt oder wurde beendet.</translation>
    </message>
</context>
<context>
    <name>Kel::PuxResultCheck</name>
    <message>
        <location filename="../webfetch/puxresultcheck.cpp" line="+129"/>
        <location line="+5"/>
        <source>The downloaded file is not readable media.</source>
        <translation>Die heruntergeladene Datei ist keine lesbare Mediendatei.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The downloaded file holds no video.</source>
        <translation>Die heruntergeladene Datei enthält kein Video.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The downloaded file holds no sound.</source>
        <translation>Die heruntergeladene Datei enthält keinen Ton.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The downloaded file holds neither video nor sound.</source>
        <translation>Die heruntergeladene Datei enthält weder Video noch Ton.</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>The downloaded file is incomplete: its data cannot be read.</source>
        <translation>Die heruntergeladene Datei ist unvollständig: Ihre Daten können nicht gelesen werden.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>The downloaded file is incomplete: its video ends at %1 of %2.</source>
        <translation>Die heruntergeladene Datei ist unvollständig: Ihr Video endet bei %1 von %2.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The downloaded file is incomplete: its sound ends at %1 of %2.</source>
        <translation>Die heruntergeladene Datei ist unvollständig: Ihr Ton endet bei %1 von %2.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>The downloaded file is incomplete: it ends at %1 of %2.</source>
        <translation>Die heruntergeladene Datei ist unvollständig: Sie endet bei %1 von %2.</translation>
    </message>
</context>
<context>
    <name>Kel::PuxRuntime</name>
    <message>
        <location filename="../webfetch/puxruntime.cpp" line="+41"/>
        <source>Python 3 is needed to run the extractor tool and was found neither in %1 nor on the search path.</source>
        <translation>Python 3 wird für das Extraktionswerkzeug benötigt, wurde aber weder in %1 noch im Suchpfad gefunden.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Python 3 could not be started: %1</source>
        <translation>Python 3 konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>ffmpeg is needed to put the streams together and was found neither in %1 nor on the search path.</source>
        <translation>ffmpeg wird zum Zusammenführen der Datenströme benötigt, wurde aber weder in %1 noch im Suchpfad gefunden.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ffmpeg could not be started: %1</source>
        <translation>ffmpeg konnte nicht gestartet werden: %1</translation>
    </message>
</context>
<context>
    <name>Kel::ffmpegConverter</name>
    <message>
        <location filename="../transcoder/ffmpegconverter.cpp" line="+102"/>
        <source>The destination is the source file itself.</source>
        <translation>Das Ziel ist die Quelldatei selbst.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>No file can be written in %1: %2</source>
        <translation>In %1 kann keine Datei geschrieben werden: %2</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>ffmpeg is needed for the conversion and was found neither in %1 nor on the search path.</source>
        <translation>ffmpeg wird für die Konvertierung benötigt, wurde aber weder in %1 noch im Suchpfad gefunden.</translation>
    </message>
    <message>
        <location line="+81"/>
        <source>ffmpeg could not write the end of the converted file.</source>
        <translation>ffmpeg konnte das Ende der konvertierten Datei nicht schreiben.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The converted file could not be given the name %1: %2</source>
        <translation>Die konvertierte Datei konnte nicht in %1 umbenannt werden: %2</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>ffmpeg crashed or was killed.</source>
        <translation>ffmpeg ist abgestürzt oder wurde beendet.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>ffmpeg stopped with exit code %1.</source>
        <translation>ffmpeg wurde mit dem Rückgabewert %1 beendet.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ffmpeg could not be started: %1</source>
        <translation>ffmpeg konnte nicht gestartet werden: %1</translation>
    </message>
</context>
<context>
    <name>KelAboutDialog</name>
    <message>
        <location filename="../kelframe/kelaboutdialog.cpp" line="+71"/>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Downloads videos from video pages and converts media files.</source>
        <translation>Lädt Videos von Videoseiten herunter und konvertiert Mediendateien.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Built on Qt %1, running on Qt %2.</source>
        <translation>Erstellt mit Qt %1, läuft mit Qt %2.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>KelApplication</name>
    <message>
        <location filename="../kelframe/kelapplication.cpp" line="+280"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Start the program failed. Please re-install it.</source>
        <translation>Das Programm konnte nicht gestartet werden. Bitte installieren Sie es neu.</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Downloads videos from video pages and converts media files.</source>
        <translation>Lädt Videos von Videoseiten herunter und konvertiert Mediendateien.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Address of a video page to open.</source>
        <translation>Adresse einer Videoseite, die geöffnet werden soll.</translation>
    </message>
</context>
<context>
    <name>KelMainWindow</name>
    <message>
        <location filename="../kelframe/kelmainwindow.cpp" line="+503"/>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A&amp;ppearance</source>
        <translation>&amp;Erscheinungsbild</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Language</source>
        <translation>&amp;Sprache</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Light</source>
        <translation>&amp;Hell</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Dark</source>
        <translation>&amp;Dunkel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 &amp;Help</source>
        <translation>%1-&amp;Hilfe</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;About %1</source>
        <translation>&amp;Über %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Check for &amp;Updates...</source>
        <translation>Nach &amp;Aktualisierungen suchen …</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Use the &amp;shipped extractor tool</source>
        <translation>&amp;Mitgeliefertes Extraktionswerkzeug verwenden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <source>Main Menu</source>
        <translation>Hauptmenü</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>%1 %2 is installed.</source>
        <translation>%1 %2 ist installiert.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>New versions of %1 arrive with the software updates of your system.</source>
        <translation>Neue Versionen von %1 kommen mit den Software-Aktualisierungen Ihres Systems.</translation>
    </message>
</context>
<context>
    <name>Tarn::BalloonMessageDialog</name>
    <message>
        <location filename="../widgetkit/balloonmessagedialog.cpp" line="+237"/>
        <location line="+18"/>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>Tarn::ConvertItem</name>
    <message>
        <location filename="../tarncore/convert/convertitem.cpp" line="+278"/>
        <location line="+1"/>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
</context>
<context>
    <name>Tarn::ConvertListModel</name>
    <message>
        <location filename="../marlin/convert/convertlistmodel.cpp" line="+28"/>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Resolution</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <location line="+113"/>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+97"/>
        <source>Converting</source>
        <translation>Wird konvertiert</translation>
    </message>
    <message>
        <location line="-94"/>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Not Ready</source>
        <translation>Nicht bereit</translation>
    </message>
    <message>
        <location line="+82"/>
        <source>The conversion failed.</source>
        <translation>Die Konvertierung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Failed: %1</source>
        <translation>Fehler: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Converted to %1</source>
        <translation>Konvertiert nach %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Waits for its download to finish</source>
        <translation>Wartet auf das Ende des Downloads</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Converting: %1%</source>
        <translation>Wird konvertiert: %1 %</translation>
    </message>
</context>
<context>
    <name>Tarn::ConvertParametersDialog</name>
    <message>
        <location filename="../marlin/convertparameters/convertparametersdialog.cpp" line="+166"/>
        <source>Customize</source>
        <translation>Anpassen</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+3"/>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>Source size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+157"/>
        <location line="+15"/>
        <source>%1 Kbps</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <location line="-6"/>
        <location line="+7"/>
        <source>%1 / %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <location line="-5"/>
        <source>Same as Source</source>
        <translation>Wie Quelle</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Audio only</source>
        <translation>Nur Audio</translation>
    </message>
    <message>
        <location line="+64"/>
        <source>Convert to</source>
        <translation>Konvertieren in</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Target</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Codec:</source>
        <translation>Codec:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Resolution:</source>
        <translation>Auflösung:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bitrate:</source>
        <translation>Bitrate:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This category holds no preset.</source>
        <translation>Diese Kategorie enthält keine Voreinstellung.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Set as Default. Don&apos;t ask me again (Modify in the settings).</source>
        <translation>Als Standard festlegen und nicht mehr fragen (in den Einstellungen änderbar).</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Tarn::ConvertParametersWidget</name>
    <message>
        <location filename="../marlin/convertparameters/convertparameterswidget.cpp" line="+165"/>
        <location line="+7"/>
        <location line="+307"/>
        <source>Same as Source</source>
        <translation>Wie Quelle</translation>
    </message>
    <message>
        <location line="-288"/>
        <location line="+11"/>
        <location line="+176"/>
        <location line="+90"/>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location line="-165"/>
        <source>Value of video bitrate should be between %1 and %2.</source>
        <translation>Die Video-Bitrate muss zwischen %1 und %2 liegen.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Value of audio bitrate should be between %1 and %2.</source>
        <translation>Die Audio-Bitrate muss zwischen %1 und %2 liegen.</translation>
    </message>
    <message>
        <location line="+145"/>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Video Codec:</source>
        <translation>Video-Codec:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Video Resolution:</source>
        <translation>Video-Auflösung:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Video Bitrate:</source>
        <translation>Video-Bitrate:</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+4"/>
        <source>Kbps</source>
        <translation>kbit/s</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Audio Codec:</source>
        <translation>Audio-Codec:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Audio Bitrate:</source>
        <translation>Audio-Bitrate:</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Sample Rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
</context>
<context>
    <name>Tarn::ConvertTask</name>
    <message>
        <location filename="../tarncore/convert/converttask.cpp" line="+49"/>
        <source>The conversion has no source, destination or profile.</source>
        <translation>Der Konvertierung fehlt die Quelle, das Ziel oder das Profil.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The same conversion is already running.</source>
        <translation>Dieselbe Konvertierung läuft bereits.</translation>
    </message>
</context>
<context>
    <name>Tarn::ConvertWidget</name>
    <message>
        <location filename="../marlin/convert/convertwidget.cpp" line="+345"/>
        <source>No videos to convert yet</source>
        <translation>Noch keine Videos zum Konvertieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Add video files, or drop them here, to convert them for a device or into another format.</source>
        <translation>Fügen Sie Videodateien hinzu oder ziehen Sie sie hierher, um sie für ein Gerät oder in ein anderes Format zu konvertieren.</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+14"/>
        <location line="+1"/>
        <source>Add Video(s)...</source>
        <translation>Videos hinzufügen …</translation>
    </message>
    <message>
        <location line="-13"/>
        <location line="+1"/>
        <location line="+13"/>
        <location line="+1"/>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <location line="-13"/>
        <location line="+1"/>
        <location line="+13"/>
        <location line="+1"/>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <location line="-13"/>
        <source>Start All</source>
        <translation>Alle starten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Pause All</source>
        <translation>Alle anhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <location line="+11"/>
        <location line="+1"/>
        <source>Open Destination Folder</source>
        <translation>Zielordner öffnen</translation>
    </message>
    <message>
        <location line="-11"/>
        <location line="+1"/>
        <location line="+11"/>
        <location line="+1"/>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <location line="-11"/>
        <location line="+1"/>
        <source>Clear Finished Items</source>
        <translation>Fertige Einträge entfernen</translation>
    </message>
    <message>
        <location line="+16"/>
        <location line="+2"/>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <location line="-1"/>
        <location line="+2"/>
        <source>Thumbnails</source>
        <translation>Vorschaubilder</translation>
    </message>
    <message>
        <location line="+70"/>
        <source>%1 item selected</source>
        <translation>%1 Eintrag ausgewählt</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 items selected</source>
        <translation>%1 Einträge ausgewählt</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation>Der Ordner „%1“ existiert nicht.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>The Conversion settings are invalid.</source>
        <translation>Die Konvertierungseinstellungen sind ungültig.</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Added to the conversion list.</source>
        <translation>Zur Konvertierungsliste hinzugefügt.</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>Added %n files to the conversion list.</source>
        <translation>
            <numerusform>%n Datei zur Konvertierungsliste hinzugefügt.</numerusform>
            <numerusform>%n Dateien zur Konvertierungsliste hinzugefügt.</numerusform>
        </translation>
    </message>
    <message>
        <location line="+26"/>
        <location line="+92"/>
        <source>Same conversion already existed.</source>
        <translation>Diese Konvertierung ist bereits vorhanden.</translation>
    </message>
    <message>
        <location line="-82"/>
        <location line="+342"/>
        <source>&quot;%1&quot; is not a valid video file.</source>
        <translation>„%1“ ist keine gültige Videodatei.</translation>
    </message>
    <message>
        <location line="-323"/>
        <source>Supported Files</source>
        <translation>Unterstützte Dateien</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Select one or more files</source>
        <translation>Eine oder mehrere Dateien auswählen</translation>
    </message>
    <message>
        <location line="+15"/>
        <location line="+54"/>
        <source>The added video(s) are invalid.</source>
        <translation>Die hinzugefügten Videos sind ungültig.</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>&quot;%1&quot; does not exist.</source>
        <translation>„%1“ existiert nicht.</translation>
    </message>
    <message>
        <location line="+119"/>
        <source>The video is being converted. Are you sure you want to remove it?</source>
        <translation>Das Video wird gerade konvertiert. Möchten Sie es wirklich entfernen?</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>Converting ...</source>
        <translation>Wird konvertiert …</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The converted file is no longer there.</source>
        <translation>Die konvertierte Datei ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>No program is set up to open this file, so its folder is shown instead.</source>
        <translation>Für diese Datei ist kein Programm zum Öffnen eingerichtet, daher wird ihr Ordner angezeigt.</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>Failed to transfer to iTunes: %1</source>
        <translation>Die Übertragung zu iTunes ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Please install iTunes first.</source>
        <translation>Bitte installieren Sie zuerst iTunes.</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>Failed to convert videos.</source>
        <translation>Die Videos konnten nicht konvertiert werden.</translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadConvertItem</name>
    <message>
        <location filename="../tarncore/convert/downloadconvertitem.cpp" line="+271"/>
        <source>The downloaded file is kept: %1</source>
        <translation>Die heruntergeladene Datei bleibt erhalten: %1</translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadListModel</name>
    <message>
        <location filename="../marlin/download/downloadlistmodel.cpp" line="+24"/>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Resolution</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <location line="+90"/>
        <source>Analysing</source>
        <translation>Wird analysiert</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+86"/>
        <source>Downloading</source>
        <translation>Wird heruntergeladen</translation>
    </message>
    <message>
        <location line="-81"/>
        <source>Not Ready</source>
        <translation>Nicht bereit</translation>
    </message>
    <message>
        <location line="+74"/>
        <source>The download failed.</source>
        <translation>Der Download ist fehlgeschlagen.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Failed: %1</source>
        <translation>Fehler: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Downloaded to %1</source>
        <translation>Heruntergeladen nach %1</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1% of %2</source>
        <translation>%1 % von %2</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1/s, %2 left</source>
        <translation>%1/s, noch %2</translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadParametersDialog</name>
    <message>
        <location filename="../marlin/quality/downloadparametersdialog.cpp" line="+184"/>
        <source>Getting media information failed: %1</source>
        <translation>Die Medieninformationen konnten nicht abgerufen werden: %1</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Audio %1</source>
        <translation>Audio %1</translation>
    </message>
    <message>
        <location line="+115"/>
        <source>Please wait, we are loading...</source>
        <translation>Bitte warten, wird geladen …</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Click to Download</source>
        <translation>Zum Herunterladen klicken</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Loading</source>
        <translation>Wird geladen</translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadTask</name>
    <message>
        <location filename="../tarncore/download/downloadtask.cpp" line="+40"/>
        <source>No quality of the page could be chosen.</source>
        <translation>Es konnte keine Qualität der Seite gewählt werden.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Another download is writing the same file.</source>
        <translation>Ein anderer Download schreibt bereits dieselbe Datei.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The download queue did not take the download.</source>
        <translation>Die Download-Warteschlange hat den Download nicht angenommen.</translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadWidget</name>
    <message>
        <location filename="../marlin/download/downloadwidget.cpp" line="+276"/>
        <source>QUICK GUIDE</source>
        <translation>KURZANLEITUNG</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Your downloads will be listed here.</source>
        <translation>Ihre Downloads werden hier aufgelistet.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Paste YouTube URL</source>
        <translation>YouTube-Adresse einfügen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Click DOWNLOAD button to download with preferred settings</source>
        <translation>Mit HERUNTERLADEN nach den bevorzugten Einstellungen herunterladen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Click to download with custom settings</source>
        <translation>Hier klicken, um mit eigenen Einstellungen herunterzuladen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Click CONVERT button to start the conversion</source>
        <translation>Mit KONVERTIEREN die Konvertierung starten</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+1"/>
        <location line="+10"/>
        <location line="+1"/>
        <source>Convert</source>
        <translation>Konvertieren</translation>
    </message>
    <message>
        <location line="-10"/>
        <location line="+1"/>
        <location line="+10"/>
        <location line="+1"/>
        <source>Open Destination Folder</source>
        <translation>Zielordner öffnen</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Re-download</source>
        <translation>Erneut herunterladen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download in Different Quality...</source>
        <translation>In anderer Qualität herunterladen …</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <location line="+8"/>
        <location line="+1"/>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <location line="-8"/>
        <location line="+1"/>
        <source>Clear Finished Items</source>
        <translation>Fertige Einträge entfernen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open the URL</source>
        <translation>Adresse öffnen</translation>
    </message>
    <message>
        <location line="+9"/>
        <location line="+2"/>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <location line="-1"/>
        <location line="+2"/>
        <source>Thumbnails</source>
        <translation>Vorschaubilder</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Same download already existed.</source>
        <translation>Dieser Download ist bereits vorhanden.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation>Der Ordner „%1“ existiert nicht.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Added to the downloading list.</source>
        <translation>Zur Download-Liste hinzugefügt.</translation>
    </message>
    <message>
        <location line="+64"/>
        <source>%1 item selected</source>
        <translation>%1 Eintrag ausgewählt</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 items selected</source>
        <translation>%1 Einträge ausgewählt</translation>
    </message>
    <message>
        <location line="+97"/>
        <source>The video is being downloaded. Are you sure you want to remove it?</source>
        <translation>Das Video wird gerade heruntergeladen. Möchten Sie es wirklich entfernen?</translation>
    </message>
    <message>
        <location line="+86"/>
        <source>No web browser could open the address.</source>
        <translation>Kein Webbrowser konnte die Adresse öffnen.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Downloading ...</source>
        <translation>Wird heruntergeladen …</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The downloaded file is no longer there.</source>
        <translation>Die heruntergeladene Datei ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>No program is set up to open this file, so its folder is shown instead.</source>
        <translation>Für diese Datei ist kein Programm zum Öffnen eingerichtet, daher wird ihr Ordner angezeigt.</translation>
    </message>
    <message>
        <location line="+64"/>
        <source>Failed to transfer to iTunes: %1</source>
        <translation>Die Übertragung zu iTunes ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Please install iTunes first.</source>
        <translation>Bitte installieren Sie zuerst iTunes.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The page&apos;s media information could not be read.</source>
        <translation>Die Medieninformationen der Seite konnten nicht gelesen werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+53"/>
        <source>Getting media information failed: %1</source>
        <translation>Die Medieninformationen konnten nicht abgerufen werden: %1</translation>
    </message>
    <message>
        <location line="-31"/>
        <source>Failed to download videos.</source>
        <translation>Die Videos konnten nicht heruntergeladen werden.</translation>
    </message>
</context>
<context>
    <name>Tarn::FileNaming</name>
    <message>
        <location filename="../tarncore/download/filenaming.cpp" line="+98"/>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
</context>
<context>
    <name>Tarn::GetMediaInfoErrorDialog</name>
    <message>
        <location filename="../marlin/quality/getmediainfoerrordialog.cpp" line="+52"/>
        <source>Media Information</source>
        <translation>Medieninformationen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>What the extractor tool reported:</source>
        <translation>Meldung des Extraktionswerkzeugs:</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>Tarn::ListTableProgressBar</name>
    <message>
        <location filename="../widgetkit/listtableprogressbar.cpp" line="+120"/>
        <location line="+53"/>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <location line="-53"/>
        <location line="+53"/>
        <source>Failed</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
</context>
<context>
    <name>Tarn::ListViewSupport</name>
    <message>
        <location filename="../widgetkit/listviewsupport.cpp" line="+26"/>
        <source>Ctrl + A</source>
        <translation>Strg + A</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Key Delete</source>
        <translation>Taste Entf</translation>
    </message>
</context>
<context>
    <name>Tarn::ListViewThumbnailWidget</name>
    <message>
        <location filename="../widgetkit/listviewthumbnailwidget.cpp" line="+143"/>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Failed</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
</context>
<context>
    <name>Tarn::MainWindow</name>
    <message>
        <location filename="../marlin/mainwindow/mainwindow.cpp" line="+483"/>
        <source>Please enter the URL.</source>
        <translation>Bitte geben Sie die Adresse ein.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The URL is invalid.</source>
        <translation>Die Adresse ist ungültig.</translation>
    </message>
    <message>
        <location line="+190"/>
        <source>%1 downloads videos and converts media files.</source>
        <translation>%1 lädt Videos herunter und konvertiert Mediendateien.</translation>
    </message>
    <message>
        <location line="+89"/>
        <source>DOWNLOAD</source>
        <translation>HERUNTERLADEN</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+8"/>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <location line="-6"/>
        <location line="+1"/>
        <source>Advanced Download Settings</source>
        <translation>Erweiterte Download-Einstellungen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Share to Facebook ...</source>
        <translation>Auf Facebook teilen …</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Share to Twitter ...</source>
        <translation>Auf Twitter teilen …</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Share</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Convert</source>
        <translation>Konvertieren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Paste URL here</source>
        <translation>Adresse hier einfügen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Video page address</source>
        <translation>Adresse der Videoseite</translation>
    </message>
    <message>
        <location line="+156"/>
        <source>The video is being downloaded/converted. 
Are you sure to exit?</source>
        <translation>Das Video wird gerade heruntergeladen oder konvertiert.
Möchten Sie wirklich beenden?</translation>
    </message>
</context>
<context>
    <name>Tarn::PresetTexts</name>
    <message>
        <location filename="../marlin/convertparameters/presettexts.cpp" line="+11"/>
        <source>iPhone (Compact)</source>
        <translation>iPhone (kompakt)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Android Phone</source>
        <translation>Android-Handy</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Android Phone HD</source>
        <translation>Android-Handy HD</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Basic Phone</source>
        <translation>Einfaches Handy</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Android Tablet</source>
        <translation>Android-Tablet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Android Tablet (720p)</source>
        <translation>Android-Tablet (720p)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>E-Reader Tablet</source>
        <translation>E-Reader-Tablet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>HD TV 720p</source>
        <translation>HD-TV 720p</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DVD Player (Xvid AVI)</source>
        <translation>DVD-Player (Xvid AVI)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TV USB Stick (PAL)</source>
        <translation>TV-USB-Stick (PAL)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Web Video 1080p</source>
        <translation>Webvideo 1080p</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Web Video 720p</source>
        <translation>Webvideo 720p</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Flash Video (FLV)</source>
        <translation>Flash-Video (FLV)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>E-mail Attachment</source>
        <translation>E-Mail-Anhang</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MP4 Original Size</source>
        <translation>MP4 Originalgröße</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MP3 High Quality</source>
        <translation>MP3 hohe Qualität</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MP3 Small</source>
        <translation>MP3 klein</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Phone</source>
        <translation>Smartphone</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tablet</source>
        <translation>Tablet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TV</source>
        <translation>TV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Web Video</source>
        <translation>Webvideo</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 video with AAC sound for recent iPhones.</source>
        <translation>Full-HD-Video in H.264 mit AAC-Ton für aktuelle iPhones.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p H.264 video for iPhones when storage is short.</source>
        <translation>720p-Video in H.264 für iPhones mit knappem Speicher.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p H.264 video with AAC sound; plays on every Android phone.</source>
        <translation>720p-Video in H.264 mit AAC-Ton; läuft auf jedem Android-Smartphone.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 video for high-resolution Android phones.</source>
        <translation>Full-HD-Video in H.264 für hochauflösende Android-Smartphones.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Small 360p video for older phones and slow storage.</source>
        <translation>Kleines 360p-Video für ältere Telefone und langsamen Speicher.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 video with AAC sound for iPad and iPad mini.</source>
        <translation>Full-HD-Video in H.264 mit AAC-Ton für iPad und iPad mini.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 video for Android tablets.</source>
        <translation>Full-HD-Video in H.264 für Android-Tablets.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p H.264 video for smaller or older Android tablets.</source>
        <translation>720p-Video in H.264 für kleinere oder ältere Android-Tablets.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>480p H.264 video for e-reader tablets with small screens.</source>
        <translation>480p-Video in H.264 für E-Reader-Tablets mit kleinem Bildschirm.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 video for smart TVs and streaming boxes.</source>
        <translation>Full-HD-Video in H.264 für Smart-TVs und Streaming-Boxen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ultra HD H.265 video in MKV for 4K TVs.</source>
        <translation>Ultra-HD-Video in H.265 als MKV für 4K-Fernseher.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p H.264 video for HD-ready TVs.</source>
        <translation>720p-Video in H.264 für HD-ready-Fernseher.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 video with AAC sound for Apple TV.</source>
        <translation>Full-HD-Video in H.264 mit AAC-Ton für Apple TV.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Standard-definition Xvid video with MP3 sound for DVD players that read AVI files.</source>
        <translation>Xvid-Video in Standardauflösung mit MP3-Ton für DVD-Player, die AVI-Dateien lesen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Standard-definition H.264 video at 25 frames per second for European TVs.</source>
        <translation>H.264-Video in Standardauflösung mit 25 Bildern pro Sekunde für europäische Fernseher.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Full HD H.264 MP4, the upload format video sites prefer.</source>
        <translation>Full-HD-MP4 in H.264, das von Videoportalen bevorzugte Upload-Format.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p H.264 MP4 for uploads and web pages.</source>
        <translation>720p-MP4 in H.264 für Uploads und Webseiten.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p VP9 video with Opus sound for web pages.</source>
        <translation>720p-Video in VP9 mit Opus-Ton für Webseiten.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>480p VP8 video with Vorbis sound for older browsers.</source>
        <translation>480p-Video in VP8 mit Vorbis-Ton für ältere Browser.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>480p H.264 video in FLV for legacy web players.</source>
        <translation>480p-Video in H.264 als FLV für ältere Web-Player.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Small 320x240 MP4 that fits in an e-mail.</source>
        <translation>Kleines MP4 in 320×240, das in eine E-Mail passt.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p H.264 MP4 with AAC sound; plays almost everywhere.</source>
        <translation>720p-MP4 in H.264 mit AAC-Ton; läuft fast überall.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>1080p H.264 MP4 with AAC sound.</source>
        <translation>1080p-MP4 in H.264 mit AAC-Ton.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>H.264 MP4 that keeps the source&apos;s frame size and bit rate.</source>
        <translation>MP4 in H.264 mit Bildgröße und Bitrate der Quelle.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>1080p H.265 video in MKV: the same quality in less space.</source>
        <translation>1080p-Video in H.265 als MKV: gleiche Qualität bei weniger Platz.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>1080p H.264 MOV for video editors.</source>
        <translation>1080p-MOV in H.264 für Videoschnittprogramme.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>480p MPEG-4 AVI with MP3 sound for older players.</source>
        <translation>480p-AVI in MPEG-4 mit MP3-Ton für ältere Player.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p Windows Media video with WMA sound.</source>
        <translation>720p-Video in Windows Media mit WMA-Ton.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>480p FLV with H.264 video and AAC sound.</source>
        <translation>480p-FLV mit H.264-Video und AAC-Ton.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>720p WebM with VP9 video and Opus sound.</source>
        <translation>720p-WebM mit VP9-Video und Opus-Ton.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MP3 at 320 kbps: the best MP3 sound.</source>
        <translation>MP3 mit 320 kbit/s: der beste MP3-Klang.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MP3 at 192 kbps for music players.</source>
        <translation>MP3 mit 192 kbit/s für Musikplayer.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MP3 at 128 kbps for speech and small files.</source>
        <translation>MP3 mit 128 kbit/s für Sprache und kleine Dateien.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>AAC sound at 256 kbps in M4A, the iTunes format.</source>
        <translation>AAC-Ton mit 256 kbit/s als M4A, dem iTunes-Format.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lossless ALAC sound in M4A.</source>
        <translation>Verlustfreier ALAC-Ton als M4A.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Uncompressed CD-quality sound.</source>
        <translation>Unkomprimierter Ton in CD-Qualität.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lossless compressed sound.</source>
        <translation>Verlustfrei komprimierter Ton.</translation>
    </message>
</context>
<context>
    <name>Tarn::PuxUpdater</name>
    <message>
        <location filename="../tarncore/services/puxupdater.cpp" line="+305"/>
        <source>The update description could not be fetched.</source>
        <translation>Die Beschreibung der Aktualisierung konnte nicht abgerufen werden.</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>The extractor tool could not be downloaded.</source>
        <translation>Das Extraktionswerkzeug konnte nicht heruntergeladen werden.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>The downloaded extractor tool was not installed (%1).</source>
        <translation>Das heruntergeladene Extraktionswerkzeug wurde nicht installiert (%1).</translation>
    </message>
    <message>
        <location line="+263"/>
        <source>There is no application data folder to install the extractor tool in.</source>
        <translation>Es gibt keinen Anwendungsdatenordner, in den das Extraktionswerkzeug installiert werden könnte.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>The release address %1 is not an HTTP address.</source>
        <translation>Die Veröffentlichungsadresse %1 ist keine HTTP-Adresse.</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>The newest release could not be asked for at %1: %2</source>
        <translation>Die neueste Version konnte bei %1 nicht abgefragt werden: %2</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>The newest release&apos;s address %1 names no version.</source>
        <translation>Die Adresse %1 der neuesten Version nennt keine Versionsnummer.</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>Release %1 of the extractor tool was not installed: %2</source>
        <translation>Version %1 des Extraktionswerkzeugs wurde nicht installiert: %2</translation>
    </message>
    <message>
        <location line="+143"/>
        <source>Release %1 of the extractor tool could not be put in place (%2).</source>
        <translation>Version %1 des Extraktionswerkzeugs konnte nicht eingesetzt werden (%2).</translation>
    </message>
</context>
<context>
    <name>Tarn::SettingWidget</name>
    <message>
        <location filename="../marlin/settings/settingwidget.cpp" line="+231"/>
        <location line="+66"/>
        <source>Customized</source>
        <translation>Benutzerdefiniert</translation>
    </message>
    <message>
        <location line="-36"/>
        <source>DOWNLOAD SETTINGS</source>
        <translation>DOWNLOAD-EINSTELLUNGEN</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Preferred Resolution:</source>
        <translation>Bevorzugte Auflösung:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Best</source>
        <translation>Beste</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Preferred Format:</source>
        <translation>Bevorzugtes Format:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download a similar video if custom option does not exist.</source>
        <translation>Gibt es die gewählte Qualität nicht, wird eine ähnliche heruntergeladen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Subtitle:</source>
        <translation>Untertitel:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>No subtitle</source>
        <translation>Keine Untertitel</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>All embedded subtitles</source>
        <translation>Alle eingebetteten Untertitel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Preferred language subtitles(stream)</source>
        <translation>Untertitel in bevorzugter Sprache (Spur)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Preferred language subtitle(hardcoded)</source>
        <translation>Untertitel in bevorzugter Sprache (eingebrannt)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Preferred Subtitle Languages:</source>
        <translation>Bevorzugte Untertitelsprachen:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Checked languages are tried from top to bottom.</source>
        <translation>Ausgewählte Sprachen werden von oben nach unten versucht.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Move Up</source>
        <translation>Nach oben verschieben</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Move Down</source>
        <translation>Nach unten verschieben</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+15"/>
        <source>Save to:</source>
        <translation>Speichern in:</translation>
    </message>
    <message>
        <location line="-14"/>
        <location line="+15"/>
        <source>Browse...</source>
        <translation>Durchsuchen …</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>Max Simultaneous Downloads:</source>
        <translation>Gleichzeitige Downloads:</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>CONVERSION SETTINGS</source>
        <translation>KONVERTIERUNGSEINSTELLUNGEN</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Ask target format everytime</source>
        <translation>Jedes Mal nach dem Zielformat fragen</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Don&apos;t ask target format</source>
        <translation>Nicht nach dem Zielformat fragen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Automatically convert</source>
        <translation>Automatisch konvertieren</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Convert to:</source>
        <translation>Konvertieren in:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change...</source>
        <translation>Ändern …</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Keep subtitle streams:</source>
        <translation>Untertitelspuren behalten:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Keep subtitle streams</source>
        <translation>Untertitelspuren behalten</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Max Simultaneous Conversions:</source>
        <translation>Gleichzeitige Konvertierungen:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Automatically transfer MP4/MOV/MP3 files to iTunes</source>
        <translation>MP4-, MOV- und MP3-Dateien automatisch zu iTunes übertragen</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>No longer ask before converting. All the videos will be converted to the default format as the following setting.</source>
        <translation>Vor dem Konvertieren nicht mehr fragen. Alle Videos werden in das unten eingestellte Standardformat konvertiert.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Convert automatically after downloading. All the videos will be converted to the default format as the following setting.</source>
        <translation>Nach dem Herunterladen automatisch konvertieren. Alle Videos werden in das unten eingestellte Standardformat konvertiert.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Ask the target format before converting every time.</source>
        <translation>Vor jeder Konvertierung nach dem Zielformat fragen.</translation>
    </message>
    <message>
        <location line="+60"/>
        <source>Select the Folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The folder &quot;%1&quot; is readonly.</source>
        <translation>Der Ordner „%1“ ist schreibgeschützt.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The folder &quot;%1&quot; cannot be used. Please choose one with a shorter path whose name holds none of the characters * ? &quot; &lt; &gt; |.</source>
        <translation>Der Ordner „%1“ kann nicht verwendet werden. Bitte wählen Sie einen mit kürzerem Pfad, dessen Name keines der Zeichen * ? &quot; &lt; &gt; | enthält.</translation>
    </message>
</context>
<context>
    <name>Tarn::ThumbnailWidget</name>
    <message>
        <location filename="../widgetkit/thumbnailwidget.cpp" line="+66"/>
        <source>(%1)</source>
        <translation>(%1)</translation>
    </message>
</context>
<context>
    <name>UrlLineEditUi</name>
    <message>
        <location filename="../widgetkit/urllineedit.ui" line="+13"/>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
</context>
</TS>
