package vaultwick.engine;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * Our reference backup engine: the peer of the tray in tests and in the demo, and a main class
 * for the service launcher.
 *
 * <h2>Running it</h2>
 * <pre>
 * java -jar engine.jar [--host 127.0.0.1] [--port 4243] [--control-port 0] [--ports-file PATH]
 *                      [--callback PORT] [--story FILE] [--max-seconds N]
 * </pre>
 * Port 0 picks a free port. Unknown arguments are ignored (the launcher hands over arbitrary ones).
 * <ul>
 * <li>--ports-file: once listening, writes "tray=P control=C" there (atomically, by rename).</li>
 * <li>--callback: connects to 127.0.0.1:PORT, writes "HELLO tray=P control=C" and takes control
 *     commands on that connection; the engine stops when it ends, so a test that dies takes its
 *     engine with it.</li>
 * <li>--story: runs the control commands of FILE (echoing each as "&gt; command" before its reply
 *     on standard output), then stops.</li>
 * <li>--max-seconds: stops by itself after N seconds, a safety net for scripts.</li>
 * </ul>
 *
 * <h2>The tray side</h2>
 * Listens on the tray port and speaks the tray frames: a 6-byte big-endian header (u16 type id,
 * s32 body length), then an ISO-8859-1 body whose tokens are separated by "|". Every frame from
 * every connection is recorded in arrival order; a ClassMessage names its type for the rest of that
 * connection. A frame whose length is negative or above 16 MiB is recorded without body and ends
 * the connection. With auto-reply on (the default) the requests are answered: StatusQuery with
 * StatusTray, GetComputers with Computers, GetBackupStatsSummary with BackupStatsSummary,
 * AlertRequest with AlertCount. With announce on (the default) the engine sends its own
 * ClassMessage before its first frame of each type on a connection. Pushes go to the newest open
 * connection.
 *
 * <h2>Control protocol</h2>
 * Text lines in ISO-8859-1 ending in "\n", on the control port (any number of sessions) or the
 * callback connection. Each command gets one reply line "OK ...", "TIMEOUT ..." or "ERR reason";
 * RECORD and SECONDARY first write their lines, then "END count". A message is named by alias
 * (status, computers, stats, alerts, popup, shutdown, testrepeat, connected, disconnected, class,
 * log, ...), by class name with or without package and "Message" suffix, or by type id (decimal or
 * 0x hex). Waits take milliseconds (default 10000, at most 120000).
 * <pre>
 * PORTS                          OK tray=P control=C
 * SEND msg [body]                push one frame; body = rest of the line exactly
 * SENDHEX msg [hex]              push one frame with a body given in hex
 * FLOOD n msg [body]             push n equal frames        OK sent=n
 * RAW hex                        write bytes as they are (bad frames)
 * CLOSE                          close the newest tray connection
 * GOAWAY                         stop listening and close every tray connection
 * COMEBACK                       listen again on the same port   OK tray=P
 * WAIT n [ms]                    until n frames are recorded     OK|TIMEOUT frames=k
 * WAITTYPE msg [n [ms]]          until n frames of that type     OK|TIMEOUT count=k
 * WAITCONN n [ms]                until n tray connections were accepted in all   OK|TIMEOUT conns=k
 * WAITCLOSED n [ms]              until n tray connections have ended             OK|TIMEOUT closed=k
 * RECORD [from]                  FRAME seq conn type class announced(y|n) length hex(- if empty) text
 * SENT [from]                    the same as SENT lines for what the engine wrote (RAW excepted)
 * CLEAR                          forget the recorded and sent frames (seq numbers go on)
 * STATE                          OK listening=0|1 open=n conns=n closed=n frames=n
 * ANNOUNCE on|off                the engine's own ClassMessage before each new type
 * AUTOREPLY on|off               answering the tray's requests
 * SET msg body                   body of the answer of that type (status, computers, stats, alerts)
 * SECONDARY                      ARGS count a|b|... per secondaryMain call, then END count
 * SLEEP ms | ECHO text           pacing and notes for stories
 * QUIT                           end this session (on the callback connection: stop the engine)
 * STOP                           stop the engine: main returns
 * </pre>
 *
 * <h2>Main-class contract</h2>
 * static main(String[]) runs the engine until stop(); static stop() makes main return;
 * static secondaryMain(String[]) records its arguments (SECONDARY shows them). The variant with
 * an int result is {@link ReferenceEngineWithExitCode}.
 */
public final class ReferenceEngine {
    private static final Object STOP_LOCK = new Object();
    private static boolean stopRequested;
    private static final List<String[]> SECONDARY_CALLS = new ArrayList<>();

    private final Options options;
    private final Recorder recorder = new Recorder();
    private final TrayEndpoint tray;
    private ServerSocket controlListener;
    private Socket callback;

    private ReferenceEngine(Options options) {
        this.options = options;
        this.tray = new TrayEndpoint(options.host, options.port, recorder);
    }

    public static void main(String[] args) throws Exception {
        System.out.println("engine: main args=" + Arrays.toString(args));
        ReferenceEngine engine = new ReferenceEngine(Options.parse(args));
        try {
            engine.start();
            awaitStop();
        } finally {
            engine.shutdown();
        }
        System.out.println("engine: stopped");
    }

    /** Makes main return; may come from any thread, also before main got going. */
    public static void stop() {
        synchronized (STOP_LOCK) {
            stopRequested = true;
            STOP_LOCK.notifyAll();
        }
    }

    public static void secondaryMain(String[] args) {
        synchronized (SECONDARY_CALLS) {
            SECONDARY_CALLS.add(args.clone());
        }
        System.out.println("engine: secondaryMain args=" + Arrays.toString(args));
    }

    static List<String[]> secondaryCalls() {
        synchronized (SECONDARY_CALLS) {
            return new ArrayList<>(SECONDARY_CALLS);
        }
    }

    private static void awaitStop() throws InterruptedException {
        synchronized (STOP_LOCK) {
            while (!stopRequested) STOP_LOCK.wait();
            stopRequested = false;  // a later main runs again
        }
    }

    void requestStop() {
        stop();
    }

    TrayEndpoint tray() {
        return tray;
    }

    Recorder recorder() {
        return recorder;
    }

    int controlPort() {
        return controlListener.getLocalPort();
    }

    private void start() throws IOException {
        if (!tray.listen()) throw new IOException("cannot listen for trays on port " + options.port);
        controlListener = new ServerSocket();
        controlListener.setReuseAddress(true);
        controlListener.bind(new InetSocketAddress(options.host, options.controlPort), 8);
        ServerSocket accepting = controlListener;
        TrayEndpoint.daemon("control-accept", () -> acceptControl(accepting));
        String ports = "tray=" + tray.port() + " control=" + controlPort();
        System.out.println("engine: listening on " + options.host.getHostAddress() + " " + ports);
        System.out.flush();
        if (options.portsFile != null) writeAtomically(Paths.get(options.portsFile), ports + "\n");
        if (options.maxSeconds > 0) TrayEndpoint.daemon("lifetime", this::endOfLifetime);
        if (options.callbackPort > 0) startCallback(ports);
        if (options.story != null) TrayEndpoint.daemon("story", this::runStory);
    }

    private void shutdown() {
        tray.goAway();
        TrayEndpoint.closeQuietly(controlListener);
        TrayEndpoint.closeQuietly(callback);
    }

    private void acceptControl(ServerSocket accepting) {
        while (true) {
            Socket s;
            try {
                s = accepting.accept();
            } catch (IOException closed) {
                return;
            }
            TrayEndpoint.daemon("control-session", () -> serve(s, false));
        }
    }

    private void startCallback(String ports) throws IOException {
        callback = new Socket(InetAddress.getLoopbackAddress(), options.callbackPort);
        callback.getOutputStream().write(("HELLO " + ports + "\n").getBytes(StandardCharsets.ISO_8859_1));
        Socket s = callback;
        TrayEndpoint.daemon("callback-session", () -> serve(s, true));
    }

    private void serve(Socket s, boolean owner) {
        try (Socket socket = s) {
            BufferedReader in = new BufferedReader(new InputStreamReader(socket.getInputStream(), StandardCharsets.ISO_8859_1));
            Writer out = new OutputStreamWriter(socket.getOutputStream(), StandardCharsets.ISO_8859_1);
            new ControlSession(this, out, false).run(in);
        } catch (IOException gone) {
            // The controller went away.
        }
        if (owner) requestStop();  // the owner is gone: nobody can stop us otherwise
    }

    private void runStory() {
        Writer out = new OutputStreamWriter(System.out, StandardCharsets.ISO_8859_1);
        try (BufferedReader in = Files.newBufferedReader(Paths.get(options.story), StandardCharsets.ISO_8859_1)) {
            new ControlSession(this, out, true).run(in);
        } catch (IOException e) {
            System.err.println("engine: story " + options.story + ": " + e.getMessage());
        }
        requestStop();
    }

    private void endOfLifetime() {
        try {
            Thread.sleep(options.maxSeconds * 1000L);
        } catch (InterruptedException e) {
            return;
        }
        System.out.println("engine: lifetime of " + options.maxSeconds + " s is over");
        requestStop();
    }

    private static void writeAtomically(Path target, String text) throws IOException {
        Path tmp = target.resolveSibling(target.getFileName() + ".tmp");
        Files.write(tmp, text.getBytes(StandardCharsets.ISO_8859_1));
        Files.move(tmp, target, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
    }

    static final class Options {
        InetAddress host;
        int port = 4243;
        int controlPort;
        int callbackPort;
        int maxSeconds;
        String portsFile;
        String story;

        static Options parse(String[] args) throws IOException {
            Options o = new Options();
            String host = "127.0.0.1";
            for (int i = 0; i + 1 < args.length; i++) {
                String value = args[i + 1];
                switch (args[i]) {
                    case "--host": host = value; break;
                    case "--port": o.port = Integer.parseInt(value); break;
                    case "--control-port": o.controlPort = Integer.parseInt(value); break;
                    case "--callback": o.callbackPort = Integer.parseInt(value); break;
                    case "--max-seconds": o.maxSeconds = Integer.parseInt(value); break;
                    case "--ports-file": o.portsFile = value; break;
                    case "--story": o.story = value; break;
                    default: continue;  // not ours: leave the value alone
                }
                i++;
            }
            o.host = InetAddress.getByName(host);
            return o;
        }
    }
}
