package vaultwick.engine;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/** The message types of the tray protocol: type id, the engine's class name and short names. */
final class Catalogue {
    static final int CLASS_MESSAGE = 0x8063;

    // Tray to engine.
    static final int LOG = 0xAF05;
    static final int SET_MESSAGE_TYPE = 0x9B0B;
    static final int STATUS_QUERY = 0x3B01;
    static final int GET_COMPUTERS = 0xB480;
    static final int GET_BACKUP_STATS_SUMMARY = 0x5FE5;
    static final int ALERT_REQUEST = 0x17DF;
    static final int USER_ACTIVITY = 0x9303;
    static final int PAUSE_SYSTEM = 0xE31B;
    static final int RESUME_SYSTEM = 0xB7DB;
    static final int EXITING = 0x8FA2;

    // Engine to tray.
    static final int COMPUTERS = 0xFD63;
    static final int COMPUTER_CONNECTED = 0xFD27;
    static final int COMPUTER_DISCONNECTED = 0x0A1A;
    static final int STATUS_TRAY = 0x152F;
    static final int BACKUP_STATS_SUMMARY = 0x005F;
    static final int ALERT_COUNT = 0x009B;
    static final int TRAY_POPUP = 0x2222;
    static final int TEST_REPEAT = 0xEB44;
    static final int SHUTDOWN = 0x389D;

    static final class Entry {
        final int typeId;
        final String className;
        final String[] aliases;

        Entry(int typeId, String className, String... aliases) {
            this.typeId = typeId;
            this.className = className;
            this.aliases = aliases;
        }

        String simpleName() {
            return className.substring(className.lastIndexOf('.') + 1);
        }
    }

    private static final String UI = "com.morvaine.service.ui.message.";
    private static final List<Entry> ENTRIES = new ArrayList<>();

    static {
        add(CLASS_MESSAGE, "com.tessik.messaging.message.ClassMessage", "class");
        add(LOG, UI + "LogMessage", "log");
        add(SET_MESSAGE_TYPE, "com.tessik.messaging.ui.message.SetMessageTypeMessage", "setmessagetype");
        add(STATUS_QUERY, UI + "StatusQueryMessage", "statusquery");
        add(GET_COMPUTERS, UI + "GetComputersMessage", "getcomputers");
        add(GET_BACKUP_STATS_SUMMARY, UI + "GetBackupStatsSummaryMessage", "getstats");
        add(ALERT_REQUEST, UI + "AlertRequestMessage", "alertrequest");
        add(USER_ACTIVITY, UI + "UserActivityMessage", "useractivity");
        add(PAUSE_SYSTEM, UI + "PauseSystemMessage", "pause");
        add(RESUME_SYSTEM, UI + "ResumeSystemMessage", "resume");
        add(EXITING, UI + "ExitingMessage", "exiting");
        add(COMPUTERS, UI + "ComputersMessage", "computers");
        add(COMPUTER_CONNECTED, UI + "ComputerConnectedMessage", "connected");
        add(COMPUTER_DISCONNECTED, UI + "ComputerDisconnectedMessage", "disconnected");
        add(STATUS_TRAY, UI + "StatusTrayMessage", "status");
        add(BACKUP_STATS_SUMMARY, UI + "BackupStatsSummaryMessage", "stats");
        add(ALERT_COUNT, UI + "AlertCountMessage", "alerts");
        add(TRAY_POPUP, UI + "TrayPopupMessage", "popup");
        add(TEST_REPEAT, UI + "TestRepeatMessage", "testrepeat");
        add(SHUTDOWN, UI + "ShutdownMessage", "shutdown");
    }

    private static void add(int typeId, String className, String... aliases) {
        ENTRIES.add(new Entry(typeId, className, aliases));
    }

    private Catalogue() {}

    /** The class name of a type id, or null when the type is not in the catalogue. */
    static String classNameOf(int typeId) {
        for (Entry e : ENTRIES) {
            if (e.typeId == typeId) return e.className;
        }
        return null;
    }

    /**
     * Resolves a message named by alias ("stats"), simple class name with or without the "Message"
     * suffix ("StatusTrayMessage", "StatusTray"), full class name, or type id (decimal or 0x hex, so
     * tests can also send types the catalogue does not know). Returns -1 when nothing matches.
     */
    static int resolve(String name) {
        for (Entry e : ENTRIES) {
            String simple = e.simpleName();
            String bare = simple.substring(0, simple.length() - "Message".length());
            if (name.equals(e.className) || name.equalsIgnoreCase(simple) || name.equalsIgnoreCase(bare)) {
                return e.typeId;
            }
            for (String alias : e.aliases) {
                if (name.equalsIgnoreCase(alias)) return e.typeId;
            }
        }
        try {
            String lower = name.toLowerCase(Locale.ROOT);
            int value = lower.startsWith("0x") ? Integer.parseInt(lower.substring(2), 16) : Integer.parseInt(lower);
            return value >= 0 && value <= 0xFFFF ? value : -1;
        } catch (NumberFormatException notANumber) {
            return -1;
        }
    }
}
