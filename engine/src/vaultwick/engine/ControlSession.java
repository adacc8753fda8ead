package vaultwick.engine;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.Writer;
import java.util.List;
import java.util.Locale;

/**
 * Runs control commands, one per line, from a control connection or a story file, writing each
 * reply to the given writer. The commands are documented in ReferenceEngine.
 */
final class ControlSession {
    /** Upper bound of any wait a command may ask for, so a script error cannot hang a test. */
    static final long MAX_WAIT_MILLIS = 120_000;
    static final long DEFAULT_WAIT_MILLIS = 10_000;

    private final ReferenceEngine engine;
    private final TrayEndpoint tray;
    private final Recorder recorder;
    private final Writer out;
    private final boolean echo;

    ControlSession(ReferenceEngine engine, Writer out, boolean echoCommands) {
        this.engine = engine;
        this.tray = engine.tray();
        this.recorder = engine.recorder();
        this.out = out;
        this.echo = echoCommands;
    }

    /** Runs commands until the input ends or QUIT/STOP; blank lines and lines starting with # are skipped. */
    void run(BufferedReader in) throws IOException {
        String line;
        while ((line = in.readLine()) != null) {
            line = stripLineEnd(line);
            if (line.isBlank() || line.startsWith("#")) continue;
            if (echo) reply("> " + line);
            if (!execute(line)) break;
        }
        out.flush();
    }

    private static String stripLineEnd(String line) {
        return line.endsWith("\r") ? line.substring(0, line.length() - 1) : line;
    }

    /** Returns false when the session should end. */
    boolean execute(String line) throws IOException {
        int space = line.indexOf(' ');
        String verb = (space < 0 ? line : line.substring(0, space)).toUpperCase(Locale.ROOT);
        String rest = space < 0 ? "" : line.substring(space + 1);
        try {
            switch (verb) {
                case "PORTS": reply("OK tray=" + tray.port() + " control=" + engine.controlPort()); break;
                case "SEND": send(rest, 1); break;
                case "FLOOD": flood(rest); break;
                case "SENDHEX": sendHex(rest); break;
                case "RAW": reply(tray.pushRaw(Frame.unhex(rest.trim())) ? "OK" : "ERR no connection"); break;
                case "CLOSE": reply(tray.closeNewest() ? "OK" : "ERR no connection"); break;
                case "GOAWAY": tray.goAway(); reply("OK"); break;
                case "COMEBACK": reply(tray.listen() ? "OK tray=" + tray.port() : "ERR cannot listen"); break;
                case "WAIT": waitFor(rest, "frames", recorder::frameCount); break;
                case "WAITCONN": waitFor(rest, "conns", recorder::acceptedCount); break;
                case "WAITCLOSED": waitFor(rest, "closed", recorder::endedCount); break;
                case "WAITTYPE": waitType(rest); break;
                case "RECORD": list("FRAME", recorder.snapshot(), rest); break;
                case "SENT": list("SENT", recorder.sentSnapshot(), rest); break;
                case "CLEAR": recorder.clear(); reply("OK"); break;
                case "STATE": reply(state()); break;
                case "ANNOUNCE": tray.setAnnounce(onOff(rest)); reply("OK"); break;
                case "AUTOREPLY": tray.setAutoReply(onOff(rest)); reply("OK"); break;
                case "SET": setReply(rest); break;
                case "SECONDARY": secondary(); break;
                case "SLEEP": Thread.sleep(boundedMillis(rest.trim(), 0)); reply("OK"); break;
                case "ECHO": reply(rest); break;
                case "STOP": reply("OK"); engine.requestStop(); return false;
                case "QUIT": reply("OK"); return false;
                default: reply("ERR unknown command " + verb);
            }
        } catch (IllegalArgumentException bad) {
            reply("ERR " + bad.getMessage());
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            reply("ERR interrupted");
            return false;
        }
        return true;
    }

    private void reply(String text) throws IOException {
        out.write(text);
        out.write('\n');
        out.flush();
    }

    private static int typeOf(String name) {
        int type = Catalogue.resolve(name);
        if (type < 0) throw new IllegalArgumentException("unknown message " + name);
        return type;
    }

    /** "name body…": the body is the rest of the line exactly, tokens separated by "|". */
    private void send(String args, int count) throws IOException {
        int space = args.indexOf(' ');
        String name = space < 0 ? args : args.substring(0, space);
        String body = space < 0 ? "" : args.substring(space + 1);
        Frame f = Frame.of(typeOf(name), body);
        reply(tray.push(f, count) ? (count == 1 ? "OK" : "OK sent=" + count) : "ERR no connection");
    }

    private void flood(String args) throws IOException {
        int space = args.indexOf(' ');
        if (space < 0) throw new IllegalArgumentException("usage: FLOOD count message [body]");
        int count = parseCount(args.substring(0, space));
        send(args.substring(space + 1), count);
    }

    private void sendHex(String args) throws IOException {
        String[] parts = args.trim().split(" ");
        byte[] body = parts.length > 1 ? Frame.unhex(parts[1]) : new byte[0];
        Frame f = new Frame(typeOf(parts[0]), body.length, body);
        reply(tray.push(f, 1) ? "OK" : "ERR no connection");
    }

    private interface Counter {
        int count();
    }

    /** "n [ms]": waits until the counter reaches n; OK or TIMEOUT with the count reached. */
    private void waitFor(String args, String what, Counter counter) throws IOException {
        String[] parts = args.trim().split(" +");
        int target = parseCount(parts[0]);
        long millis = boundedMillis(parts.length > 1 ? parts[1] : null, DEFAULT_WAIT_MILLIS);
        boolean met = recorder.await(() -> counter.count() >= target, millis);
        reply((met ? "OK " : "TIMEOUT ") + what + "=" + counter.count());
    }

    /** "message [n [ms]]": waits until n frames of that type are in the record. */
    private void waitType(String args) throws IOException {
        String[] parts = args.trim().split(" +");
        int type = typeOf(parts[0]);
        int target = parts.length > 1 ? parseCount(parts[1]) : 1;
        long millis = boundedMillis(parts.length > 2 ? parts[2] : null, DEFAULT_WAIT_MILLIS);
        boolean met = recorder.await(() -> recorder.countOfType(type) >= target, millis);
        reply((met ? "OK " : "TIMEOUT ") + "count=" + recorder.countOfType(type));
    }

    /** "[from]": every listed frame with seq >= from, then "END count". */
    private void list(String word, List<Recorder.Received> frames, String args) throws IOException {
        int from = args.isBlank() ? 0 : parseCount(args.trim());
        int n = 0;
        for (Recorder.Received r : frames) {
            if (r.seq < from) continue;
            out.write(r.describe(word));
            out.write('\n');
            n++;
        }
        reply("END " + n);
    }

    private String state() {
        return "OK listening=" + (tray.listening() ? 1 : 0) + " open=" + tray.openCount()
                + " conns=" + recorder.acceptedCount() + " closed=" + recorder.endedCount()
                + " frames=" + recorder.frameCount();
    }

    private void setReply(String args) throws IOException {
        int space = args.indexOf(' ');
        int type = typeOf(space < 0 ? args : args.substring(0, space));
        if (!TrayEndpoint.isReplyType(type)) throw new IllegalArgumentException("not an answer to a request");
        tray.setReplyBody(type, space < 0 ? "" : args.substring(space + 1));
        reply("OK");
    }

    private void secondary() throws IOException {
        List<String[]> calls = ReferenceEngine.secondaryCalls();
        for (String[] args : calls) out.write("ARGS " + args.length + (args.length == 0 ? "" : " " + String.join("|", args)) + "\n");
        reply("END " + calls.size());
    }

    private static boolean onOff(String word) {
        switch (word.trim().toLowerCase(Locale.ROOT)) {
            case "on": return true;
            case "off": return false;
            default: throw new IllegalArgumentException("expected on or off");
        }
    }

    private static int parseCount(String text) {
        try {
            int n = Integer.parseInt(text.trim());
            if (n < 0) throw new IllegalArgumentException("negative count");
            return n;
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException("not a number: " + text);
        }
    }

    private static long boundedMillis(String text, long fallback) {
        if (text == null || text.isBlank()) return fallback;
        return Math.min(parseCount(text), MAX_WAIT_MILLIS);
    }
}
