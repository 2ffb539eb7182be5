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
    <name>UrlLineEditUi</name>
    <message>
        <location filename="../widgetkit/urllineedit.ui" line="+13"/>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <location filename="../marlin/main.cpp" line="+9"/>
        <source>%1 %2: the main window is not built yet.
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
