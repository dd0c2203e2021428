#pragma once

#include <QString>

#include "seams/skype_link.h"

// A stand-in for the program on the link, as far as the bus tests need one: it fetches a chat
// line as the program does and answers "motion on", and answers a call from the owner.
struct StandInProgram {
    explicit StandInProgram(SkypeLink& link) : link(link) {}

    void take(const QString& line) {
        const QString id = line.section(' ', 1, 1);
        if (line.startsWith("CHATMESSAGE") && line.endsWith("RECEIVED"))
            link.SendCommand("#605 GET CHATMESSAGE " + id + " CHATNAME");
        if (line.startsWith("#605")) {
            chat = line.section(' ', 4);
            link.SendCommand("#610 GET CHATMESSAGE " + line.section(' ', 2, 2) + " BODY");
        }
        if (line.startsWith("#610") && line.endsWith(" BODY motion on"))
            link.SendCommand("CHATMESSAGE " + chat + " Motion Sensing Now ON");
        if (line.startsWith("CALL") && line.endsWith("RINGING"))
            link.SendCommand("#510 GET CALL " + id + " PARTNER_HANDLE");
        if (line.startsWith("#510") && line.endsWith(" vq.owner"))
            link.SendCommand("#511 SET CALL " + line.section(' ', 2, 2) + " STATUS INPROGRESS");
    }

    SkypeLink& link;
    QString chat;
};
