// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every text the player sees, in one place. They are used exactly as written here: leading,
// doubled and trailing blanks, the degree sign and the old spellings ("ampezza", "Clliccami")
// are part of the game's voice.

#include <QString>

namespace texts {

// The title of a box that is given no title of its own.
inline const QString applicationTitle = QStringLiteral("Sferdoni");
inline const QString windowTitle = QStringLiteral(
    "Impariamo a riconoscere gli Sferdoni  \u2013  un gioco per imparare gli angoli");

// The answer buttons, by index (the class code of the angle they name); index 0 is unused.
inline const QString answerCaptions[7] = {
    QString(),
    QStringLiteral("Angolo acuto"),
    QStringLiteral("Angolo retto"),
    QStringLiteral("Angolo ottuso"),
    QStringLiteral("Angolo piatto"),
    QStringLiteral("Angolo concavo"),
    QStringLiteral("Angolo giro"),
};
inline const QString answerToolTip = QStringLiteral("Clicca sul pulsante con il nome dell'angolo");

inline const QString exitCaption = QStringLiteral("Esci");
inline const QString exitToolTip = QStringLiteral("Clliccami per uscire");
inline const QString goCaption = QStringLiteral("Go");
inline const QString command4Caption = QStringLiteral("Command4");
inline const QString practiceCaption = QStringLiteral("Nuova nota");
inline const QString practiceToolTip = QStringLiteral("Per avere un'altra nota cliccami.");

inline const QString amplitudeHeading = QStringLiteral("Ampiezza in gradi");
inline const QString scoreToolTip =
    QStringLiteral("Questo è il tuo punteggio. Forza con il  record");
inline const QString clockAtCreation = QStringLiteral("00.00.00");
inline const QString correctHeading = QStringLiteral("Risposte esatte");
inline const QString wrongHeading = QStringLiteral("Risposte errate");
inline const QString timeHeading = QStringLiteral("Tempo restante");
inline const QString recordHeading = QStringLiteral("Il record è di");
inline const QString recordPointsHeading = QStringLiteral("con punti");
inline const QString challengerHeading = QStringLiteral("Sfidante");
inline const QString labelPlaceholder = QStringLiteral("Label3");
inline const QString noCount = QStringLiteral("0");

// The answer boxes.
inline const QString correct = QStringLiteral("Bravo è esatto");
inline const QString wrong = QStringLiteral("HAI SBAGLIATO");

// The start and the end of a game.
inline const QString nameQuestion = QStringLiteral("Come ti chiami?");
inline const QString startTitle = QStringLiteral("Riconosciamo gli Sferdoni");
inline const QString greetingEnd = QStringLiteral(" vediamo se sei un vero campione  ");
inline const QString goodbye = QStringLiteral("Ciao a presto ");
inline const QString recordSaved =
    QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E");
inline const QString clockAtEnd = QStringLiteral("00:00:00");

// When the record cannot be kept: %1 is the file or the directory, %2 the reason.
inline const QString cannotPrepareRecord =
    QStringLiteral("Non riesco a preparare il record in %1: %2. Il gioco continua, ma il record "
                   "non sarà salvato.");
inline const QString cannotReadRecord =
    QStringLiteral("Non riesco a leggere il record da %1: %2. Il gioco continua, ma il record "
                   "non sarà salvato.");
inline const QString cannotSaveRecord =
    QStringLiteral("Non riesco a salvare il record in %1: %2. Il record di prima resta com'era.");
inline const QString reasonNotRegular = QStringLiteral("non è un file normale");
inline const QString reasonTooLarge = QStringLiteral("è troppo grande");
inline const QString reasonPermission = QStringLiteral("permesso negato");
inline const QString reasonMissing = QStringLiteral("non esiste");
inline const QString reasonDiskFull = QStringLiteral("il disco è pieno");
inline const QString reasonReadOnly = QStringLiteral("il disco è di sola lettura");
inline const QString reasonBusy = QStringLiteral("un altro gioco lo sta usando da troppo tempo");
inline const QString reasonNotDirectory =
    QStringLiteral("una parte del percorso non è una cartella");

// What a screen reader says of the labels that change: %1 is the label's text.
inline const QString spokenAmplitude = QStringLiteral("Ampiezza dell'angolo: %1 gradi");
// What each answer button says of the current angle.
inline const QString spokenAnswerAmplitude = QStringLiteral("Ampiezza: %1 gradi");
inline const QString spokenCorrect = QStringLiteral("Risposte esatte: %1");
inline const QString spokenWrong = QStringLiteral("Risposte errate: %1");
inline const QString spokenClock = QStringLiteral("Tempo restante: %1");
inline const QString spokenRecordScore = QStringLiteral("Punti del record: %1");
inline const QString spokenRecordHolder = QStringLiteral("Il record è di: %1");
inline const QString spokenPlayer = QStringLiteral("Sfidante: %1");
inline const QString spokenAnswers = QStringLiteral("Risposte");
inline const QString spokenDrawing = QStringLiteral("L'angolo da riconoscere");
// The record as one fact: %1 the holder, %2 the score.
inline const QString spokenRecord = QStringLiteral("Il record è di %1 con %2 punti");
inline const QString spokenNoRecord = QStringLiteral("Nessun record");
// The window, short, the amplitude first: %1 counts the angles asked so far, %2 is the amplitude.
inline const QString spokenWindow = QStringLiteral("Sferdoni. Ampiezza %2 gradi, angolo %1");
// What the keyboard-only buttons do.
inline const QString spokenGo = QStringLiteral("Disegna un altro angolo al posto di questo");
inline const QString spokenNewTurn = QStringLiteral("Nuovo turno");
inline const QString spokenNewTurnDoes = QStringLiteral("Ricomincia il turno con un altro angolo");
inline const QString spokenPractice =
    QStringLiteral("Disegna un angolo per esercizio; la domanda non cambia");
// What a keyboard-only button did; %1 is the amplitude asked afterwards.
inline const QString spokenNewAngle = QStringLiteral("Nuovo angolo: ampiezza %1 gradi");
inline const QString spokenNewTurnDone = QStringLiteral("Nuovo turno: ampiezza %1 gradi");
inline const QString spokenPracticeDrawn =
    QStringLiteral("Disegnato un angolo per esercizio; la domanda non cambia: ampiezza %1 gradi");
inline const QString spokenPicture = QStringLiteral("Decorazione");
inline const QString spokenPictureDoes =
    QStringLiteral("Solo un disegno: qui non c'è niente da fare");
// The clock's texts that warn, and what is said then.
inline const QString clockFiveMinutes = QStringLiteral("00:05:00");
inline const QString clockOneMinute = QStringLiteral("00:01:00");
inline const QString spokenFiveMinutes = QStringLiteral("Attenzione: mancano 5 minuti");
inline const QString spokenOneMinute = QStringLiteral("Attenzione: manca 1 minuto");
// When the time is up, before the goodbye: %1 is the score.
inline const QString spokenTimeUp = QStringLiteral("Tempo scaduto. %1");
// The time left as it is said: "13 minuti e 34 secondi".
inline const QString spokenHour = QStringLiteral("1 ora");
inline const QString spokenHours = QStringLiteral("%1 ore");
inline const QString spokenMinute = QStringLiteral("1 minuto");
inline const QString spokenMinutes = QStringLiteral("%1 minuti");
inline const QString spokenSecond = QStringLiteral("1 secondo");
inline const QString spokenSeconds = QStringLiteral("%1 secondi");
inline const QString spokenAnd = QStringLiteral(" e ");
// What the menu items do.
inline const QString spokenMenuHelp = QStringLiteral("Voce di menu: spiega come si gioca");
inline const QString spokenMenuDefinition =
    QStringLiteral("Voce di menu: mostra la definizione dell'angolo");
inline const QString spokenMenuCredit = QStringLiteral("Voce di menu: chi ha fatto il gioco");

// The menu bar: seven help items and three credit lines.
inline const QString helpCaption = QStringLiteral("Help");
inline const QString creditAuthors = QStringLiteral("© 2026 Gli autori di Sferdoni");
inline const QString creditContact = QStringLiteral("Scrivici: sferdoni@example.org");
inline const QString creditAddress = QStringLiteral("Via degli Angoli 90, 00100 Roma");

// The help boxes.
inline const QString helpTitle = QStringLiteral("Riconosciamo gli Sferdoni");
inline const QString helpText =
    QStringLiteral("Per iniziare a giocare clicca  sul pulsante con l'angolo corrispondente ");
inline const QString definitions[7] = {
    QString(),
    QStringLiteral(" Un angolo si dice acuto se è minore di un angolo retto"),
    QStringLiteral(" Un angolo si dice retto se la sua ampiezza è di 90°"),
    QStringLiteral(" Un angolo si dice ottuso se è maggiore di un angolo retto, ma è minore di un "
                   "angolo piatto"),
    QStringLiteral(" Un angolo si dice piatto se la sua ampiezza è di 180°"),
    QStringLiteral(
        "Un angolo si dice concavo se contiene i prolungamenti dei suoi lati ed è quindi "
        "maggiore di un angolo piatto"),
    QStringLiteral(" Un angolo si dice giro quando la sua ampezza è di 360°"),
};

} // namespace texts
