<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Include</name>
    <message>
        <source>Drop text not recognized as a URL</source>
        <translation>Der abgelegte Text ist keine erkennbare Adresse</translation>
    </message>
    <message>
        <source>Invalid Drop Object.  Text or Web Browser links to RSS Channels accepted</source>
        <translation>Ungültiges Objekt abgelegt.  Angenommen werden Text oder Links aus dem Webbrowser zu RSS-Kanälen</translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Export &amp;OPML File...</source>
        <translation>&amp;OPML-Datei exportieren...</translation>
    </message>
    <message>
        <source>&amp;Profile</source>
        <translation>&amp;Profil</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keines)</translation>
    </message>
    <message>
        <source>&amp;New Profile...</source>
        <translation>&amp;Neues Profil...</translation>
    </message>
    <message>
        <source>&amp;Delete Profile...</source>
        <translation>Profil &amp;löschen...</translation>
    </message>
    <message>
        <source>Change &amp;Skin...</source>
        <translation>&amp;Skin wechseln...</translation>
    </message>
    <message>
        <source>P&amp;references...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>Always On &amp;Top</source>
        <translation>Immer im &amp;Vordergrund</translation>
    </message>
    <message>
        <source>Show Ticker &amp;Bar</source>
        <translation>&amp;Tickerleiste anzeigen</translation>
    </message>
    <message>
        <source>Tic&amp;ker Settings...</source>
        <translation>Tic&amp;ker-Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>Schl&amp;ießen</translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation>&amp;Aktionen</translation>
    </message>
    <message>
        <source>&amp;Add Channels...</source>
        <translation>Kanäle &amp;hinzufügen...</translation>
    </message>
    <message>
        <source>Add &amp;Group...</source>
        <translation>&amp;Gruppe hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Reload All Channels</source>
        <translation>&amp;Alle Kanäle neu laden</translation>
    </message>
    <message>
        <source>&amp;Delete Channels...</source>
        <translation>Kanäle &amp;löschen...</translation>
    </message>
    <message>
        <source>&amp;View Channel</source>
        <translation>Kanal an&amp;zeigen</translation>
    </message>
    <message>
        <source>&amp;Mark All Read</source>
        <translation>Alle als gelesen &amp;markieren</translation>
    </message>
    <message>
        <source>R&amp;eload Channel</source>
        <translation>Kanal &amp;neu laden</translation>
    </message>
    <message>
        <source>&amp;Delete Channel</source>
        <translation>Kanal lö&amp;schen</translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation>&amp;Eigenschaften...</translation>
    </message>
    <message>
        <source>&amp;View Channels in Group</source>
        <translation>Kanäle der Gruppe an&amp;zeigen</translation>
    </message>
    <message>
        <source>Reload &amp;Channels in Group</source>
        <translation>Kanäle der Gruppe ne&amp;u laden</translation>
    </message>
    <message>
        <source>Re&amp;name Group</source>
        <translation>Gruppe um&amp;benennen</translation>
    </message>
    <message>
        <source>&amp;Delete Group</source>
        <translation>Gruppe lö&amp;schen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Help Channel</source>
        <translation>&amp;Hilfekanal</translation>
    </message>
    <message>
        <source>&amp;Tarnwick Website</source>
        <translation>&amp;Tarnwick-Webseite</translation>
    </message>
    <message>
        <source>&amp;Donatations</source>
        <translation>&amp;Spenden</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber Tarnwick...</translation>
    </message>
    <message>
        <source>&amp;Ticker</source>
        <translation>&amp;Ticker</translation>
    </message>
    <message>
        <source>Open &amp;Item in Browser</source>
        <translation>&amp;Eintrag im Browser öffnen</translation>
    </message>
    <message>
        <source>&amp;Open Tarnwick</source>
        <translation>Tarnwick ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>Ein&amp;stellungen...</translation>
    </message>
    <message>
        <source>&amp;Close Ticker Bar</source>
        <translation>Tickerleiste s&amp;chließen</translation>
    </message>
    <message>
        <source>T&amp;ray</source>
        <translation>&amp;Infobereich</translation>
    </message>
    <message>
        <source>Channels with &amp;New Items</source>
        <translation>Kanäle mit &amp;neuen Einträgen</translation>
    </message>
    <message>
        <source>&amp;Show Ticker Bar</source>
        <translation>&amp;Tickerleiste anzeigen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
</context>
<context>
    <name>MainProfiles</name>
    <message>
        <source>The item bank of profile &quot;%1&quot; could not be started: %2</source>
        <translation>Der Eintragsspeicher des Profils „%1“ konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>Export OPML File</source>
        <translation>OPML-Datei exportieren</translation>
    </message>
    <message>
        <source>OPML files (*.opml)</source>
        <translation>OPML-Dateien (*.opml)</translation>
    </message>
    <message>
        <source>The channels could not be written to %1.</source>
        <translation>Die Kanäle konnten nicht nach %1 geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>MainTray</name>
    <message>
        <source>Tarnwick - unread items: %1</source>
        <translation>Tarnwick – ungelesene Einträge: %1</translation>
    </message>
</context>
<context>
    <name>ModelText</name>
    <message>
        <source>The %1 could not be read (%2).

The file %3 was left as it is and will not be written over, so changes made now are not kept in it.</source>
        <translation>%1 konnte nicht gelesen werden (%2).

Die Datei %3 bleibt unverändert und wird nicht überschrieben; Änderungen, die jetzt gemacht werden, werden darin nicht gespeichert.</translation>
    </message>
    <message>
        <source>The %1 could not be read (%2).

The file was kept as %3; Tarnwick goes on with what could still be read from it.</source>
        <translation>%1 konnte nicht gelesen werden (%2).

Die Datei wurde als %3 aufbewahrt; Tarnwick arbeitet mit dem weiter, was sich noch daraus lesen ließ.</translation>
    </message>
    <message>
        <source>Error parsing items.xml

The file %1 was left as it is and will not be written over.</source>
        <translation>Fehler beim Lesen von items.xml

Die Datei %1 bleibt unverändert und wird nicht überschrieben.</translation>
    </message>
    <message>
        <source>Error parsing items.xml

The file was kept as %1; the profile starts with an empty item store and fetches its channels again.</source>
        <translation>Fehler beim Lesen von items.xml

Die Datei wurde als %1 aufbewahrt; das Profil beginnt mit einem leeren Eintragsspeicher und ruft seine Kanäle neu ab.</translation>
    </message>
    <message>
        <source>HASH ERROR Items could not be given their hash.</source>
        <translation>HASH-FEHLER Für Einträge konnte kein Hashwert berechnet werden.</translation>
    </message>
    <message>
        <source>Could not save items.xml

The item store could not be written to %1 (the disk may be full or the folder not writable). Items fetched and marks made since the last save are kept only until the program ends; the file there is unchanged.</source>
        <translation>items.xml konnte nicht gespeichert werden

Der Eintragsspeicher konnte nicht nach %1 geschrieben werden (der Datenträger ist vielleicht voll oder der Ordner nicht beschreibbar). Seit dem letzten Speichern abgerufene Einträge und gesetzte Markierungen bleiben nur bis zum Programmende erhalten; die Datei dort ist unverändert.</translation>
    </message>
</context>
<context>
    <name>NewItemsNotifier</name>
    <message>
        <source>New items in %1</source>
        <translation>Neue Einträge in %1</translation>
    </message>
    <message>
        <source>New items in %1 and %2 more</source>
        <translation>Neue Einträge in %1 und %2 weiteren</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Minimise</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Maximise</source>
        <translation>Maximieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>SkinAccessible</name>
    <message>
        <source>Add channel</source>
        <translation>Kanal hinzufügen</translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Reload all channels</source>
        <translation>Alle Kanäle neu laden</translation>
    </message>
    <message>
        <source>Reload skin</source>
        <translation>Skin neu laden</translation>
    </message>
    <message>
        <source>Change skin</source>
        <translation>Skin wechseln</translation>
    </message>
    <message>
        <source>Search for channels</source>
        <translation>Kanäle suchen</translation>
    </message>
    <message>
        <source>Delete channels</source>
        <translation>Kanäle löschen</translation>
    </message>
    <message>
        <source>New profile</source>
        <translation>Neues Profil</translation>
    </message>
    <message>
        <source>Add group</source>
        <translation>Gruppe hinzufügen</translation>
    </message>
    <message>
        <source>About Tarnwick</source>
        <translation>Über Tarnwick</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Open all items</source>
        <translation>Alle Einträge öffnen</translation>
    </message>
    <message>
        <source>Close all items</source>
        <translation>Alle Einträge schließen</translation>
    </message>
    <message>
        <source>Expand all items</source>
        <translation>Alle Einträge aufklappen</translation>
    </message>
    <message>
        <source>Collapse all items</source>
        <translation>Alle Einträge zuklappen</translation>
    </message>
    <message>
        <source>Reload channel</source>
        <translation>Kanal neu laden</translation>
    </message>
    <message>
        <source>Mark all items read</source>
        <translation>Alle Einträge als gelesen markieren</translation>
    </message>
    <message>
        <source>Untag all items</source>
        <translation>Markierung aller Einträge aufheben</translation>
    </message>
    <message>
        <source>Next window</source>
        <translation>Nächstes Fenster</translation>
    </message>
    <message>
        <source>Previous window</source>
        <translation>Vorheriges Fenster</translation>
    </message>
    <message>
        <source>Channel properties</source>
        <translation>Kanaleigenschaften</translation>
    </message>
    <message>
        <source>Open the channel&apos;s web page</source>
        <translation>Webseite des Kanals öffnen</translation>
    </message>
    <message>
        <source>Show all items</source>
        <translation>Alle Einträge zeigen</translation>
    </message>
    <message>
        <source>Show unread items</source>
        <translation>Ungelesene Einträge zeigen</translation>
    </message>
    <message>
        <source>Show read items</source>
        <translation>Gelesene Einträge zeigen</translation>
    </message>
    <message>
        <source>Show today&apos;s items</source>
        <translation>Einträge von heute zeigen</translation>
    </message>
    <message>
        <source>Show yesterday&apos;s items</source>
        <translation>Einträge von gestern zeigen</translation>
    </message>
    <message>
        <source>Show the past 7 days&apos; items</source>
        <translation>Einträge der letzten 7 Tage zeigen</translation>
    </message>
    <message>
        <source>Show deleted items</source>
        <translation>Gelöschte Einträge zeigen</translation>
    </message>
    <message>
        <source>Show tagged items</source>
        <translation>Markierte Einträge zeigen</translation>
    </message>
    <message>
        <source>Filter menu</source>
        <translation>Filtermenü</translation>
    </message>
    <message>
        <source>Reload headlines</source>
        <translation>Schlagzeilen neu laden</translation>
    </message>
    <message>
        <source>Ticker menu</source>
        <translation>Tickermenü</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Delete headline</source>
        <translation>Schlagzeile löschen</translation>
    </message>
    <message>
        <source>Restore headline</source>
        <translation>Schlagzeile wiederherstellen</translation>
    </message>
    <message>
        <source>Tag headline</source>
        <translation>Schlagzeile markieren</translation>
    </message>
    <message>
        <source>Untag headline</source>
        <translation>Markierung der Schlagzeile aufheben</translation>
    </message>
    <message>
        <source>Next headline</source>
        <translation>Nächste Schlagzeile</translation>
    </message>
    <message>
        <source>Previous headline</source>
        <translation>Vorherige Schlagzeile</translation>
    </message>
    <message>
        <source>Open headline in browser</source>
        <translation>Schlagzeile im Browser öffnen</translation>
    </message>
    <message>
        <source>Move window</source>
        <translation>Fenster verschieben</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Maximieren</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Show or hide the frame</source>
        <translation>Rahmen zeigen oder verbergen</translation>
    </message>
    <message>
        <source>Open web browser</source>
        <translation>Webbrowser öffnen</translation>
    </message>
    <message>
        <source>Open main window</source>
        <translation>Hauptfenster öffnen</translation>
    </message>
    <message>
        <source>Open or close the ticker</source>
        <translation>Ticker öffnen oder schließen</translation>
    </message>
</context>
<context>
    <name>SubscriptionWindows</name>
    <message>
        <source>Group not empty. Remove Channels before removing Group.</source>
        <translation>Die Gruppe ist nicht leer. Entfernen Sie die Kanäle, bevor Sie die Gruppe löschen.</translation>
    </message>
    <message>
        <source>Cannot Delete Group</source>
        <translation>Gruppe kann nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Remove &quot;%1&quot; from the group &quot;%2&quot; only, or delete the channel and its items?</source>
        <translation>„%1“ nur aus der Gruppe „%2“ entfernen oder den Kanal mit seinen Einträgen löschen?</translation>
    </message>
    <message>
        <source>Confirm Action</source>
        <translation>Aktion bestätigen</translation>
    </message>
    <message>
        <source>&amp;Remove Channel from Group Only</source>
        <translation>Kanal nur aus der Gruppe &amp;entfernen</translation>
    </message>
    <message>
        <source>&amp;Delete Channel</source>
        <translation>Kanal &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>TickerLogic</name>
    <message>
        <source>No Unread Items</source>
        <translation>Keine ungelesenen Einträge</translation>
    </message>
</context>
<context>
    <name>UpdateNotice</name>
    <message>
        <source>New Version Found:</source>
        <translation>Neue Version gefunden:</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;#&quot;&gt;Click here to upgrade&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;#&quot;&gt;Hier klicken zum Aktualisieren&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Hide this notice</source>
        <translation>Diesen Hinweis ausblenden</translation>
    </message>
</context>
<context>
    <name>Viewer</name>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
</context>
<context>
    <name>ViewerLogic</name>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>Unread</source>
        <translation>Ungelesen</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Gelesen</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message>
        <source>Tagged</source>
        <translation>Vorgemerkt</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>Past 7 Days</source>
        <translation>Letzte 7 Tage</translation>
    </message>
</context>
<context>
    <name>clsChannelTree</name>
    <message>
        <source>The last fetch of %1 failed.</source>
        <translation>Der letzte Abruf von %1 ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The last fetch of %1 failed: %2</source>
        <translation>Der letzte Abruf von %1 ist fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>group, open</source>
        <translation>Gruppe, geöffnet</translation>
    </message>
    <message>
        <source>group, folded</source>
        <translation>Gruppe, zugeklappt</translation>
    </message>
    <message>
        <source>new items</source>
        <translation>neue Einträge</translation>
    </message>
    <message>
        <source>unread items</source>
        <translation>ungelesene Einträge</translation>
    </message>
    <message>
        <source>loading</source>
        <translation>wird geladen</translation>
    </message>
    <message>
        <source>the last fetch failed</source>
        <translation>der letzte Abruf ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 items</source>
        <translation>%1 Einträge</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>clsOPML</name>
    <message>
        <source>Error Reading OPML File !!!<byte value="xd"/>
%1</source>
        <translation>Fehler beim Lesen der OPML-Datei!<byte value="xd"/>
%1</translation>
    </message>
</context>
<context>
    <name>clsProfile</name>
    <message>
        <source>The item server stopped and could not be started again: %1</source>
        <translation>Der Eintragsserver wurde beendet und konnte nicht neu gestartet werden: %1</translation>
    </message>
    <message>
        <source>Cannot Remove Channel. Please wait for Reload to finished.</source>
        <translation>Der Kanal kann nicht entfernt werden. Bitte warten Sie, bis das Neuladen abgeschlossen ist.</translation>
    </message>
</context>
<context>
    <name>colChannels</name>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>Tagged</source>
        <translation>Vorgemerkt</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>Past 7 Days</source>
        <translation>Letzte 7 Tage</translation>
    </message>
    <message>
        <source>Unread</source>
        <translation>Ungelesen</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Gelesen</translation>
    </message>
    <message>
        <source>channel list of profile &quot;%1&quot;</source>
        <translation>Die Kanalliste des Profils „%1“</translation>
    </message>
</context>
<context>
    <name>colGroups</name>
    <message>
        <source>All Items</source>
        <translation>Alle Einträge</translation>
    </message>
    <message>
        <source>Spotlight</source>
        <translation>Im Blickpunkt</translation>
    </message>
    <message>
        <source>The group &quot;%1&quot; cannot be renamed.</source>
        <translation>Die Gruppe „%1“ kann nicht umbenannt werden.</translation>
    </message>
    <message>
        <source>Group name contains invalid characters: |</source>
        <translation>Der Gruppenname enthält ungültige Zeichen: |</translation>
    </message>
    <message>
        <source>Please enter a group name.</source>
        <translation>Bitte geben Sie einen Gruppennamen ein.</translation>
    </message>
    <message>
        <source>A group named &quot;%1&quot; already exists.</source>
        <translation>Eine Gruppe namens „%1“ gibt es bereits.</translation>
    </message>
    <message>
        <source>group list of profile &quot;%1&quot;</source>
        <translation>Die Gruppenliste des Profils „%1“</translation>
    </message>
</context>
<context>
    <name>colProfiles</name>
    <message>
        <source>Error Reading Profiles.XML File !!!</source>
        <translation>Fehler beim Lesen der Datei Profiles.XML!</translation>
    </message>
    <message>
        <source>profile list</source>
        <translation>Die Profilliste</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>About Tarnwick</source>
        <translation>Über Tarnwick</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>A desktop reader for RSS channels.</source>
        <translation>Ein Desktop-Leser für RSS-Kanäle.</translation>
    </message>
    <message>
        <source>&lt;p align=center&gt;&lt;br&gt;&lt;br&gt;&lt;br&gt;&lt;b&gt;Tarnwick&lt;/b&gt;&lt;/p&gt;&lt;p align=center&gt;Built with Qt, libxml2, libxslt and HTML Tidy.&lt;/p&gt;&lt;p align=center&gt;Skins Basalt and Heath drawn by skingen.&lt;/p&gt;&lt;p align=center&gt;Thanks to everyone who publishes a channel.&lt;/p&gt;&lt;p align=center&gt;&lt;br&gt;&lt;br&gt;&lt;br&gt;&lt;/p&gt;</source>
        <translation>&lt;p align=center&gt;&lt;br&gt;&lt;br&gt;&lt;br&gt;&lt;b&gt;Tarnwick&lt;/b&gt;&lt;/p&gt;&lt;p align=center&gt;Gebaut mit Qt, libxml2, libxslt und HTML Tidy.&lt;/p&gt;&lt;p align=center&gt;Die Skins Basalt und Heath wurden von skingen gezeichnet.&lt;/p&gt;&lt;p align=center&gt;Danke an alle, die einen Kanal veröffentlichen.&lt;/p&gt;&lt;p align=center&gt;&lt;br&gt;&lt;br&gt;&lt;br&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&amp;System Info...</source>
        <translation>&amp;Systeminformationen...</translation>
    </message>
    <message>
        <source>System Information Is Unavailable At This Time</source>
        <translation>Systeminformationen sind zurzeit nicht verfügbar</translation>
    </message>
</context>
<context>
    <name>frmAddChannel</name>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Add Channels</source>
        <translation>Kanäle hinzufügen</translation>
    </message>
    <message>
        <source>OPML File:</source>
        <translation>OPML-Datei:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Add To Group:</source>
        <translation>Zur Gruppe hinzufügen:</translation>
    </message>
    <message>
        <source>New Group</source>
        <translation>Neue Gruppe</translation>
    </message>
    <message>
        <source>Add From OPML</source>
        <translation>Aus OPML hinzufügen</translation>
    </message>
    <message>
        <source>Select Profile:</source>
        <translation>Profil wählen:</translation>
    </message>
    <message>
        <source>Add From Profiles</source>
        <translation>Aus Profilen hinzufügen</translation>
    </message>
    <message>
        <source>A&amp;dd</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Add &amp;&amp; Close</source>
        <translation>Hinzufügen &amp;&amp; &amp;schließen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Open OPML File</source>
        <translation>OPML-Datei öffnen</translation>
    </message>
    <message>
        <source>OPML files (*.xml *.opml)</source>
        <translation>OPML-Dateien (*.xml *.opml)</translation>
    </message>
    <message>
        <source>No Group Selected</source>
        <translation>Keine Gruppe ausgewählt</translation>
    </message>
</context>
<context>
    <name>frmAddGroup</name>
    <message>
        <source>Favorites</source>
        <translation>Favoriten</translation>
    </message>
    <message>
        <source>Entertainment</source>
        <translation>Unterhaltung</translation>
    </message>
    <message>
        <source>Local News</source>
        <translation>Lokalnachrichten</translation>
    </message>
    <message>
        <source>National News</source>
        <translation>Inlandsnachrichten</translation>
    </message>
    <message>
        <source>News</source>
        <translation>Nachrichten</translation>
    </message>
    <message>
        <source>Weather</source>
        <translation>Wetter</translation>
    </message>
    <message>
        <source>Stocks</source>
        <translation>Börse</translation>
    </message>
    <message>
        <source>Sports</source>
        <translation>Sport</translation>
    </message>
    <message>
        <source>Funnies</source>
        <translation>Lustiges</translation>
    </message>
    <message>
        <source>Quotes</source>
        <translation>Zitate</translation>
    </message>
    <message>
        <source>Technology</source>
        <translation>Technik</translation>
    </message>
    <message>
        <source>Health</source>
        <translation>Gesundheit</translation>
    </message>
    <message>
        <source>Add Group</source>
        <translation>Gruppe hinzufügen</translation>
    </message>
    <message>
        <source>Group name:</source>
        <translation>Gruppenname:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Rename Group</source>
        <translation>Gruppe umbenennen</translation>
    </message>
</context>
<context>
    <name>frmAddMenu</name>
    <message>
        <source>Add RSS Channel</source>
        <translation>RSS-Kanal hinzufügen</translation>
    </message>
    <message>
        <source>Enter RSS Channel URL:</source>
        <translation>Adresse des RSS-Kanals eingeben:</translation>
    </message>
    <message>
        <source>Select Group:</source>
        <translation>Gruppe wählen:</translation>
    </message>
    <message>
        <source>New &amp;Group</source>
        <translation>Neue &amp;Gruppe</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>From OPML File</source>
        <translation>Aus OPML-Datei</translation>
    </message>
    <message>
        <source>From Tarnwick Profiles</source>
        <translation>Aus Tarnwick-Profilen</translation>
    </message>
    <message>
        <source>Mini-Browser Search Tool</source>
        <translation>Suche im Mini-Browser</translation>
    </message>
    <message>
        <source>No Group Selected</source>
        <translation>Keine Gruppe ausgewählt</translation>
    </message>
    <message>
        <source>Enter RSS Channel URL</source>
        <translation>Geben Sie die Adresse des RSS-Kanals ein</translation>
    </message>
    <message>
        <source>Looking at the address…</source>
        <translation>Die Adresse wird geprüft…</translation>
    </message>
    <message>
        <source>No channel found: %1 is a web page that announces no RSS or Atom channel. Enter the address of the channel itself.</source>
        <translation>Kein Kanal gefunden: %1 ist eine Webseite, die keinen RSS- oder Atom-Kanal anbietet. Geben Sie die Adresse des Kanals selbst ein.</translation>
    </message>
    <message numerus="yes">
        <source>%1 is a web page that announces %n channels.</source>
        <translation>
            <numerusform>%1 ist eine Webseite, die %n Kanal anbietet.</numerusform>
            <numerusform>%1 ist eine Webseite, die %n Kanäle anbietet.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>frmChannelManage</name>
    <message>
        <source>Delete Channels</source>
        <translation>Kanäle löschen</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Delete Selected</source>
        <translation>Ausgewählte löschen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>frmChooseChannels</name>
    <message>
        <source>Channels on This Page</source>
        <translation>Kanäle auf dieser Seite</translation>
    </message>
    <message>
        <source>The web page %1 announces these channels. Check the ones to subscribe to:</source>
        <translation>Die Webseite %1 bietet diese Kanäle an. Wählen Sie die Kanäle, die Sie abonnieren möchten:</translation>
    </message>
    <message>
        <source>&amp;Subscribe</source>
        <translation>&amp;Abonnieren</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
</context>
<context>
    <name>frmDelProfile</name>
    <message>
        <source>Delete Profile</source>
        <translation>Profil löschen</translation>
    </message>
    <message>
        <source>Profile to delete (the active profile cannot be deleted):</source>
        <translation>Zu löschendes Profil (das aktive Profil kann nicht gelöscht werden):</translation>
    </message>
    <message>
        <source>This action cannot be undone.<byte value="xd"/>Delete profile %1?</source>
        <translation>Diese Aktion kann nicht rückgängig gemacht werden.<byte value="xd"/>Profil %1 löschen?</translation>
    </message>
    <message>
        <source>Confim Delete</source>
        <translation>Löschen bestätigen</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
</context>
<context>
    <name>frmLoading</name>
    <message>
        <source>Loading profile...</source>
        <translation>Profil wird geladen...</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>The item server stopped; a new one took over and goes on fetching.</source>
        <translation>Der Eintragsserver wurde beendet; ein neuer hat übernommen und ruft weiter ab.</translation>
    </message>
</context>
<context>
    <name>frmPreferences</name>
    <message>
        <source>Open main window when Tarnwick starts</source>
        <translation>Hauptfenster beim Start von Tarnwick öffnen</translation>
    </message>
    <message>
        <source>Animations</source>
        <translation>Animationen</translation>
    </message>
    <message>
        <source>Play sound when new items are received</source>
        <translation>Ton abspielen, wenn neue Einträge eintreffen</translation>
    </message>
    <message>
        <source>Play animation sounds</source>
        <translation>Animationstöne abspielen</translation>
    </message>
    <message>
        <source>Single-click to open channels</source>
        <translation>Kanäle mit einfachem Klick öffnen</translation>
    </message>
    <message>
        <source>Pop-up new items in Ticker bar</source>
        <translation>Neue Einträge in der Tickerleiste einblenden</translation>
    </message>
    <message>
        <source>Show Channel Descriptions in Tree</source>
        <translation>Kanalbeschreibungen in der Liste anzeigen</translation>
    </message>
    <message>
        <source>Always show Tarnwick in English (from the next start)</source>
        <translation>Tarnwick immer auf Englisch anzeigen (ab dem nächsten Start)</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Run Tarnwick when I log in to the desktop</source>
        <translation>Tarnwick bei der Anmeldung am Desktop starten</translation>
    </message>
    <message>
        <source>Ticker Settings...</source>
        <translation>Ticker-Einstellungen...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Show the unread count on the tray icon</source>
        <translation>Zahl der ungelesenen Einträge im Symbol der Kontrollleiste zeigen</translation>
    </message>
    <message>
        <source>Show a desktop notification when new items arrive</source>
        <translation>Bei neuen Einträgen eine Desktop-Benachrichtigung zeigen</translation>
    </message>
    <message>
        <source>Read items with single keys in viewers (j, k, space, m, t, o, /)</source>
        <translation>Einträge in Betrachtern mit einzelnen Tasten lesen (j, k, Leertaste, m, t, o, /)</translation>
    </message>
</context>
<context>
    <name>frmProperties</name>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>Eigenschaft</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>Reload channel every</source>
        <translation>Kanal neu laden alle</translation>
    </message>
    <message>
        <source>minutes
(Enter 0 to disable)</source>
        <translation>Minuten
(0 schaltet es ab)</translation>
    </message>
    <message>
        <source>Remove items after</source>
        <translation>Einträge entfernen nach</translation>
    </message>
    <message>
        <source>days</source>
        <translation>Tagen</translation>
    </message>
    <message>
        <source>Open channel when new items are received</source>
        <translation>Kanal öffnen, wenn neue Einträge eintreffen</translation>
    </message>
    <message>
        <source>Only show unread items by default</source>
        <translation>Anfangs nur ungelesene Einträge zeigen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Copy Value</source>
        <translation>Wert kopieren</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>Catergory</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Docs</source>
        <translation>Dokumentation</translation>
    </message>
    <message>
        <source>Generator</source>
        <translation>Generator</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Last Build Date</source>
        <translation>Zuletzt erstellt</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Managing Editor</source>
        <translation>Verantwortliche Redaktion</translation>
    </message>
    <message>
        <source>Publish Date</source>
        <translation>Veröffentlicht</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Einstufung</translation>
    </message>
    <message>
        <source>Time To Live</source>
        <translation>Gültigkeitsdauer</translation>
    </message>
    <message>
        <source>Web Master</source>
        <translation>Webmaster</translation>
    </message>
    <message>
        <source>Enter the reload interval as a whole number of minutes (0 to disable).</source>
        <translation>Geben Sie den Abstand zum Neuladen als ganze Zahl von Minuten ein (0 schaltet es ab).</translation>
    </message>
    <message>
        <source>Enter the time items are kept as a whole number of days.</source>
        <translation>Geben Sie die Aufbewahrungszeit der Einträge als ganze Zahl von Tagen ein.</translation>
    </message>
    <message>
        <source>Show desktop notifications for new items of this channel</source>
        <translation>Desktop-Benachrichtigungen für neue Einträge dieses Kanals zeigen</translation>
    </message>
</context>
<context>
    <name>frmSearch</name>
    <message>
        <source>RSS Channel Search - Tarnwick</source>
        <translation>RSS-Kanalsuche - Tarnwick</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vorwärts</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>&amp;Los</translation>
    </message>
    <message>
        <source>Channels found</source>
        <translation>Gefundene Kanäle</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Add to group:</source>
        <translation>Zur Gruppe hinzufügen:</translation>
    </message>
    <message>
        <source>New &amp;Group</source>
        <translation>Neue &amp;Gruppe</translation>
    </message>
    <message>
        <source>&amp;Add Selected</source>
        <translation>Ausgewählte &amp;hinzufügen</translation>
    </message>
    <message>
        <source>Loading... %1 %</source>
        <translation>Wird geladen... %1 %</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>The page could not be loaded.</source>
        <translation>Die Seite konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>Copied Shortcut</source>
        <translation>Kopierte Verknüpfung</translation>
    </message>
    <message>
        <source>No Group Selected</source>
        <translation>Keine Gruppe ausgewählt</translation>
    </message>
    <message>
        <source>No Link Selected</source>
        <translation>Kein Link ausgewählt</translation>
    </message>
</context>
<context>
    <name>frmSkin</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Skins</translation>
    </message>
    <message>
        <source>Choose a skin:</source>
        <translation>Skin wählen:</translation>
    </message>
    <message>
        <source>Load Skin</source>
        <translation>Skin laden</translation>
    </message>
    <message>
        <source>No Skins Found</source>
        <translation>Keine Skins gefunden</translation>
    </message>
</context>
<context>
    <name>frmTarnSkin</name>
    <message>
        <source>Error Loading Skin File: %1</source>
        <translation>Fehler beim Laden der Skin-Datei: %1</translation>
    </message>
</context>
<context>
    <name>frmTicker</name>
    <message>
        <source>Tarnwick Ticker</source>
        <translation>Tarnwick-Ticker</translation>
    </message>
</context>
<context>
    <name>frmTickerSettings</name>
    <message>
        <source>Ticker Settings</source>
        <translation>Ticker-Einstellungen</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Effekt</translation>
    </message>
    <message>
        <source>Scroll Horizontally</source>
        <translation>Waagerecht rollen</translation>
    </message>
    <message>
        <source>Scroll Vertically</source>
        <translation>Senkrecht rollen</translation>
    </message>
    <message>
        <source>Fade</source>
        <translation>Überblenden</translation>
    </message>
    <message>
        <source>Type-Write</source>
        <translation>Schreibmaschine</translation>
    </message>
    <message>
        <source>Speed:</source>
        <translation>Geschwindigkeit:</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>Langsam</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Schnell</translation>
    </message>
    <message>
        <source>Show Channel Title</source>
        <translation>Kanaltitel anzeigen</translation>
    </message>
    <message>
        <source>Show Date</source>
        <translation>Datum anzeigen</translation>
    </message>
    <message>
        <source>Show Time</source>
        <translation>Uhrzeit anzeigen</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Darstellung</translation>
    </message>
    <message>
        <source>Dock</source>
        <translation>Andocken</translation>
    </message>
    <message>
        <source>Float</source>
        <translation>Frei schweben</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>(pixels)</source>
        <translation>(Pixel)</translation>
    </message>
    <message>
        <source>Defaults</source>
        <translation>Standardwerte</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>Past 2 Days</source>
        <translation>Letzte 2 Tage</translation>
    </message>
    <message>
        <source>Past 7 Days</source>
        <translation>Letzte 7 Tage</translation>
    </message>
    <message>
        <source>All Items</source>
        <translation>Alle Einträge</translation>
    </message>
    <message>
        <source>Unread Only</source>
        <translation>Nur ungelesene</translation>
    </message>
    <message>
        <source>Randomize Items</source>
        <translation>Einträge zufällig mischen</translation>
    </message>
    <message>
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>Ü&amp;bernehmen</translation>
    </message>
</context>
<context>
    <name>frmUser</name>
    <message>
        <source>Create New Profile</source>
        <translation>Neues Profil anlegen</translation>
    </message>
    <message>
        <source>Profile name:</source>
        <translation>Profilname:</translation>
    </message>
    <message>
        <source>My Username</source>
        <translation>Mein Benutzername</translation>
    </message>
    <message>
        <source>C&amp;reate</source>
        <translation>&amp;Anlegen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Please enter a username</source>
        <translation>Bitte geben Sie einen Benutzernamen ein</translation>
    </message>
    <message>
        <source>Username cannot contain any of the following symbols: \/:*?&apos;|&lt;&gt;&quot;</source>
        <translation>Der Benutzername darf keines der folgenden Zeichen enthalten: \/:*?&apos;|&lt;&gt;&quot;</translation>
    </message>
    <message>
        <source>Username already exists</source>
        <translation>Diesen Benutzernamen gibt es bereits</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be used as a profile name.</source>
        <translation>„%1“ kann nicht als Profilname verwendet werden.</translation>
    </message>
</context>
<context>
    <name>frmViewer</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Invalid HTML. Cannot display.</source>
        <translation>Ungültiges HTML. Anzeige nicht möglich.</translation>
    </message>
    <message>
        <source>The page could not be written to %1.</source>
        <translation>Die Seite konnte nicht nach %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>This channel has no Link element</source>
        <translation>Dieser Kanal hat kein Link-Element</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>Search items</source>
        <translation>Einträge durchsuchen</translation>
    </message>
</context>
</TS>
