package vaultwick.engine;

import java.io.BufferedInputStream;
import java.io.BufferedOutputStream;
import java.io.DataInputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;

/**
 * The engine's TCP side towards trays: listens, reads and records frames of every connection,
 * answers the tray's requests (when auto-reply is on) and pushes what the control side asks for to
 * the newest open connection.
 */
final class TrayEndpoint {
    private final InetAddress host;
    private final Recorder recorder;
    private final Object lock = new Object();
    private ServerSocket listener;
    private int port;
    private int nextConnectionId = 1;
    private final List<Connection> open = new ArrayList<>();
    private boolean announce = true;
    private boolean autoReply = true;
    private final Map<Integer, String> replyBodies = new HashMap<>();

    TrayEndpoint(InetAddress host, int port, Recorder recorder) {
        this.host = host;
        this.port = port;
        this.recorder = recorder;
        replyBodies.put(Catalogue.STATUS_TRAY, "true|false|Vaultwick");
        replyBodies.put(Catalogue.COMPUTERS, "computers"
                + "|1,This PC,127.0.0.1,4242,,true,false,false,false,false,,1700000000000,"
                + "|42,Office PC,10.0.0.7,4242,,false,false,false,true,false,,1700000000000,");
        replyBodies.put(Catalogue.BACKUP_STATS_SUMMARY,
                "4|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000");
        replyBodies.put(Catalogue.ALERT_COUNT, "0");
    }

    /** Starts listening (again, on the same port after goAway); returns false when the port is taken. */
    boolean listen() {
        synchronized (lock) {
            if (listener != null) return true;
            try {
                listener = port == 0 ? bindBelowEphemeralRange() : bindAgain(port);
                port = listener.getLocalPort();
            } catch (IOException e) {
                System.err.println("engine: cannot listen on " + host.getHostAddress() + ":" + port + ": " + e.getMessage());
                return false;
            }
            ServerSocket accepting = listener;
            daemon("tray-accept", () -> acceptLoop(accepting));
            return true;
        }
    }

    private ServerSocket bind(int wanted) throws IOException {
        ServerSocket s = new ServerSocket();
        try {
            s.setReuseAddress(true);
            s.bind(new InetSocketAddress(host, wanted), 8);
            return s;
        } catch (IOException e) {
            closeQuietly(s);
            throw e;
        }
    }

    /**
     * The port of before. Right after the engine went away the system can refuse it for a moment
     * (seen under load, with nothing left on the port a moment later), so a few tries are made.
     */
    private ServerSocket bindAgain(int wanted) throws IOException {
        for (int attempt = 1; ; attempt++) {
            try {
                return bind(wanted);
            } catch (IOException e) {
                if (attempt == 40) throw e;
                try {
                    Thread.sleep(50);
                } catch (InterruptedException interrupted) {
                    Thread.currentThread().interrupt();
                    throw e;
                }
            }
        }
    }

    /**
     * A free port below the system's ephemeral range (32768 up on Linux). A port the system handed
     * out itself can be handed out again, as the local end of some other connection or of the tray's
     * own retries, while the engine is away, and then it cannot come back on it.
     */
    private ServerSocket bindBelowEphemeralRange() throws IOException {
        final int first = 20000, count = 12000;
        final int start = java.util.concurrent.ThreadLocalRandom.current().nextInt(count);
        for (int i = 0; i < 200; i++) {
            try {
                return bind(first + (start + i * 7919) % count);
            } catch (IOException taken) {
                // try the next one
            }
        }
        return bind(0);
    }

    /** Stops listening and drops every connection: the engine is gone until listen() again. */
    void goAway() {
        synchronized (lock) {
            closeQuietly(listener);
            listener = null;
        }
        for (Connection c : openConnections()) c.close();
    }

    boolean listening() {
        synchronized (lock) {
            return listener != null;
        }
    }

    int port() {
        synchronized (lock) {
            return port;
        }
    }

    int openCount() {
        synchronized (lock) {
            return open.size();
        }
    }

    void setAnnounce(boolean on) {
        synchronized (lock) {
            announce = on;
        }
    }

    void setAutoReply(boolean on) {
        synchronized (lock) {
            autoReply = on;
        }
    }

    void setReplyBody(int typeId, String body) {
        synchronized (lock) {
            replyBodies.put(typeId, body);
        }
    }

    static boolean isReplyType(int typeId) {
        return typeId == Catalogue.STATUS_TRAY || typeId == Catalogue.COMPUTERS
                || typeId == Catalogue.BACKUP_STATS_SUMMARY || typeId == Catalogue.ALERT_COUNT;
    }

    /** Sends count copies of a frame to the newest connection; false when there is none or it broke. */
    boolean push(Frame frame, int count) {
        Connection c = newest();
        return c != null && c.send(frame, count);
    }

    /** Writes bytes as they are (no announcement), for malformed-frame tests. */
    boolean pushRaw(byte[] bytes) {
        Connection c = newest();
        return c != null && c.write(bytes);
    }

    /** Closes the newest connection; false when there is none. */
    boolean closeNewest() {
        Connection c = newest();
        if (c == null) return false;
        c.close();
        return true;
    }

    private Connection newest() {
        synchronized (lock) {
            return open.isEmpty() ? null : open.get(open.size() - 1);
        }
    }

    private List<Connection> openConnections() {
        synchronized (lock) {
            return new ArrayList<>(open);
        }
    }

    private void acceptLoop(ServerSocket accepting) {
        while (true) {
            Socket s;
            try {
                s = accepting.accept();
            } catch (IOException closed) {
                return;
            }
            Connection c;
            synchronized (lock) {
                if (listener != accepting) {
                    closeQuietly(s);
                    return;
                }
                try {
                    c = new Connection(nextConnectionId++, s);
                } catch (IOException broken) {
                    closeQuietly(s);
                    continue;
                }
                open.add(c);
            }
            recorder.connectionAccepted();
            daemon("tray-connection-" + c.id, c::readLoop);
        }
    }

    private Frame autoReplyTo(int requestType) {
        int replyType;
        switch (requestType) {
            case Catalogue.STATUS_QUERY: replyType = Catalogue.STATUS_TRAY; break;
            case Catalogue.GET_COMPUTERS: replyType = Catalogue.COMPUTERS; break;
            case Catalogue.GET_BACKUP_STATS_SUMMARY: replyType = Catalogue.BACKUP_STATS_SUMMARY; break;
            case Catalogue.ALERT_REQUEST: replyType = Catalogue.ALERT_COUNT; break;
            default: return null;
        }
        synchronized (lock) {
            return autoReply ? Frame.of(replyType, replyBodies.get(replyType)) : null;
        }
    }

    private boolean announcing() {
        synchronized (lock) {
            return announce;
        }
    }

    private final class Connection {
        final int id;
        final Socket socket;
        private final OutputStream out;
        private final Map<Integer, String> namedByPeer = new HashMap<>();
        private final Set<Integer> namedByUs = new HashSet<>();
        private boolean closed;

        Connection(int id, Socket socket) throws IOException {
            this.id = id;
            this.socket = socket;
            socket.setTcpNoDelay(true);
            out = new BufferedOutputStream(socket.getOutputStream());
        }

        void readLoop() {
            try {
                DataInputStream in = new DataInputStream(new BufferedInputStream(socket.getInputStream()));
                while (true) {
                    Frame f = Frame.read(in);
                    if (f == null) break;
                    record(f);
                    if (!f.lengthAcceptable()) break;  // the stream is no longer at a frame boundary
                    Frame reply = autoReplyTo(f.typeId);
                    if (reply != null) send(reply, 1);
                }
            } catch (IOException endedOrBroken) {
                // The tray went away; what was received is recorded.
            } finally {
                close();
            }
        }

        private void record(Frame f) {
            String name;
            boolean announced;
            if (f.typeId == Catalogue.CLASS_MESSAGE) {
                learnAnnouncement(f.body);
                name = Catalogue.classNameOf(f.typeId);
                announced = true;
            } else {
                name = namedByPeer.get(f.typeId);
                announced = name != null;
                if (name == null) name = Catalogue.classNameOf(f.typeId);
                if (name == null) name = "?";
            }
            recorder.frame(id, f, name, announced);
        }

        private void learnAnnouncement(byte[] body) {
            String[] tokens = new String(body, StandardCharsets.ISO_8859_1).split("\\|", -1);
            if (tokens.length < 2) return;
            try {
                namedByPeer.put(Integer.parseInt(tokens[0].trim()) & 0xFFFF, tokens[1]);
            } catch (NumberFormatException ignored) {
                // A malformed announcement names nothing; the frame itself is still recorded.
            }
        }

        synchronized boolean send(Frame frame, int count) {
            if (closed) return false;
            try {
                String name = Catalogue.classNameOf(frame.typeId);
                if (name == null) name = "unknown.Type" + frame.typeId;
                if (announcing() && frame.typeId != Catalogue.CLASS_MESSAGE && namedByUs.add(frame.typeId)) {
                    Frame announcement = Frame.announcement(frame.typeId, name);
                    out.write(announcement.encode());
                    recorder.sent(id, announcement, Catalogue.classNameOf(Catalogue.CLASS_MESSAGE));
                }
                byte[] bytes = frame.encode();
                for (int i = 0; i < count; i++) {
                    out.write(bytes);
                    recorder.sent(id, frame, name);
                }
                out.flush();
                return true;
            } catch (IOException broken) {
                return false;
            }
        }

        synchronized boolean write(byte[] bytes) {
            if (closed) return false;
            try {
                out.write(bytes);
                out.flush();
                return true;
            } catch (IOException broken) {
                return false;
            }
        }

        void close() {
            synchronized (this) {
                if (closed) return;
                closed = true;
                closeQuietly(socket);
            }
            synchronized (lock) {
                open.remove(this);
            }
            recorder.connectionEnded();
        }
    }

    static void daemon(String name, Runnable body) {
        Thread t = new Thread(body, name);
        t.setDaemon(true);
        t.start();
    }

    static void closeQuietly(AutoCloseable c) {
        if (c == null) return;
        try {
            c.close();
        } catch (Exception ignored) {
            // Closing is best effort; the peer sees the end either way.
        }
    }
}
