package vaultwick.engine;

import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.net.InetAddress;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Checks the main-class contract the launcher relies on, in one JVM as the launcher would use it:
 * main runs until stop(), stop() before main is not lost, main can run again, secondaryMain records
 * its arguments while main runs, and the int variant returns its argument count. Prints "ok NAME" per
 * check and "FAIL NAME: why" otherwise; exits 1 on any failure.
 */
public final class ContractCheck {
    private static final AtomicInteger failures = new AtomicInteger();

    public static void main(String[] args) throws Exception {
        Path dir = Files.createTempDirectory("engine-contract");
        Path ports = dir.resolve("ports");

        Thread main = runMain(ports);
        check("main keeps running", waitFor(ports) && main.isAlive());
        ReferenceEngine.secondaryMain(new String[] {"first", "a b"});
        check("int secondaryMain returns the argument count",
                ReferenceEngineWithExitCode.secondaryMain(new String[] {"x", "y", "z"}) == 3);
        String secondary = control(ports, "SECONDARY");
        check("secondaryMain calls are recorded in order",
                secondary.equals("ARGS 2 first|a b\nARGS 3 x|y|z\nEND 2\n"));
        ReferenceEngine.stop();
        main.join(10_000);
        check("stop() makes main return", !main.isAlive());

        ReferenceEngineWithExitCode.stop();  // before main: must not be lost
        Files.deleteIfExists(ports);
        Thread early = runMain(ports);
        early.join(10_000);
        check("a stop before main makes main return", !early.isAlive());

        Files.deleteIfExists(ports);
        Thread again = runMain(ports);
        check("main runs again after a stop", waitFor(ports) && again.isAlive());
        check("STOP on the control line ends main", control(ports, "STOP").equals("OK\n"));
        again.join(10_000);
        check("main returned after STOP", !again.isAlive());

        System.exit(failures.get() == 0 ? 0 : 1);
    }

    private static Thread runMain(Path ports) {
        Thread t = new Thread(() -> {
            try {
                ReferenceEngine.main(new String[] {"--port", "0", "--ports-file", ports.toString(), "unrelated"});
            } catch (Exception e) {
                System.out.println("FAIL main threw: " + e);
                failures.incrementAndGet();
            }
        });
        t.setDaemon(true);
        t.start();
        return t;
    }

    private static boolean waitFor(Path ports) throws InterruptedException {
        for (int i = 0; i < 200 && !Files.exists(ports); i++) Thread.sleep(50);
        return Files.exists(ports);
    }

    /** One command on the control port named in the ports file; the reply up to its last line. */
    private static String control(Path ports, String command) throws Exception {
        String line = Files.readString(ports).trim();
        int port = Integer.parseInt(line.substring(line.indexOf("control=") + "control=".length()));
        try (Socket s = new Socket(InetAddress.getLoopbackAddress(), port)) {
            s.setSoTimeout(10_000);
            Writer out = new OutputStreamWriter(s.getOutputStream(), StandardCharsets.ISO_8859_1);
            out.write(command + "\n");
            out.flush();
            BufferedReader in = new BufferedReader(new InputStreamReader(s.getInputStream(), StandardCharsets.ISO_8859_1));
            StringBuilder reply = new StringBuilder();
            String r;
            while ((r = in.readLine()) != null) {
                reply.append(r).append('\n');
                if (!r.startsWith("ARGS ") && !r.startsWith("FRAME ") && !r.startsWith("SENT ")) break;
            }
            return reply.toString();
        }
    }

    private static void check(String name, boolean passed) {
        if (passed) {
            System.out.println("ok " + name);
        } else {
            System.out.println("FAIL " + name);
            failures.incrementAndGet();
        }
    }
}
