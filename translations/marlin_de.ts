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
        <translation>Lädt Videos von Videoseiten herunter und wandelt Mediendateien um.</translation>
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
        <location filename="../kelframe/kelapplication.cpp" line="+204"/>
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
        <translation>Lädt Videos von Videoseiten herunter und wandelt Mediendateien um.</translation>
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
        <location filename="../kelframe/kelmainwindow.cpp" line="+426"/>
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
        <source>&amp;Appearance</source>
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
        <translation>Ü&amp;ber %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Check for &amp;Updates...</source>
        <translation>Nach &amp;Aktualisierungen suchen …</translation>
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
    <name>Tarn::DownloadListModel</name>
    <message>
        <location filename="../marlin/download/downloadlistmodel.cpp" line="+24"/>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Resolution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+90"/>
        <source>Analysing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+81"/>
        <source>Downloading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-76"/>
        <source>Not Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+69"/>
        <source>The download failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Downloaded to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1% of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1/s, %2 left</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadParametersDialog</name>
    <message>
        <location filename="../marlin/quality/downloadparametersdialog.cpp" line="+183"/>
        <source>Getting media information failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Audio %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+115"/>
        <source>Please wait, we are loading...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <source>Close</source>
        <translation type="unfinished">Schließen</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Click to Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Loading</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tarn::DownloadWidget</name>
    <message>
        <location filename="../marlin/download/downloadwidget.cpp" line="+242"/>
        <source>QUICK GUIDE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Your downloads will be listed here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Paste YouTube URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Click DOWNLOAD button to download with preferred settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Click to download with custom settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Click CONVERT button to start the conversion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+1"/>
        <location line="+10"/>
        <location line="+1"/>
        <source>Convert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-10"/>
        <location line="+1"/>
        <location line="+10"/>
        <location line="+1"/>
        <source>Open Destination Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Re-download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download in Different Quality...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <location line="+8"/>
        <location line="+1"/>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-8"/>
        <location line="+1"/>
        <source>Clear Finished Items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open the URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+2"/>
        <source>Details</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-1"/>
        <location line="+2"/>
        <source>Thumbnails</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Same download already existed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+18"/>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Added to the downloading list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+60"/>
        <source>%1 item selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 items selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+97"/>
        <source>The video is being downloaded. Are you sure you want to remove it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+86"/>
        <source>No web browser could open the address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Downloading ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The downloaded file is no longer there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+10"/>
        <source>No program is set up to open this file, so its folder is shown instead.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+64"/>
        <source>Failed to transfer to iTunes: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Please install iTunes first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The page&apos;s media information could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+53"/>
        <source>Getting media information failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-31"/>
        <source>Failed to download videos.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tarn::GetMediaInfoErrorDialog</name>
    <message>
        <location filename="../marlin/quality/getmediainfoerrordialog.cpp" line="+52"/>
        <source>Media Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>What the extractor tool reported:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Close</source>
        <translation type="unfinished">Schließen</translation>
    </message>
</context>
<context>
    <name>Tarn::ListTableProgressBar</name>
    <message>
        <location filename="../widgetkit/listtableprogressbar.cpp" line="+120"/>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+63"/>
        <source>%1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 left</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tarn::ListViewSupport</name>
    <message>
        <location filename="../widgetkit/listviewsupport.cpp" line="+25"/>
        <source>Ctrl + A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Key Delete</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tarn::ListViewThumbnailWidget</name>
    <message>
        <location filename="../widgetkit/listviewthumbnailwidget.cpp" line="+143"/>
        <source>Waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Paused</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tarn::MainWindow</name>
    <message>
        <location filename="../marlin/mainwindow/mainwindow.cpp" line="+397"/>
        <source>Please enter the URL.</source>
        <translation>Bitte geben Sie die Adresse ein.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The URL is invalid.</source>
        <translation>Die Adresse ist ungültig.</translation>
    </message>
    <message>
        <location line="+189"/>
        <source>%1 downloads videos and converts media files.</source>
        <translation>%1 lädt Videos herunter und konvertiert Mediendateien.</translation>
    </message>
    <message>
        <location line="+79"/>
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
        <translation>Auf Facebook teilen ...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Share to Twitter ...</source>
        <translation>Auf Twitter teilen ...</translation>
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
        <location line="+128"/>
        <source>The video is being downloaded/converted. 
Are you sure to exit?</source>
        <translation>Das Video wird gerade heruntergeladen oder konvertiert.
Wirklich beenden?</translation>
    </message>
</context>
<context>
    <name>Tarn::ThumbnailWidget</name>
    <message>
        <location filename="../widgetkit/thumbnailwidget.cpp" line="+66"/>
        <source>(%1)</source>
        <translation type="unfinished"></translation>
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
