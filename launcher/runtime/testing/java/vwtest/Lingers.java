package vwtest;

import java.io.FileOutputStream;

// main returns at once, leaving a non-daemon thread that writes args[0] a little later: the process
// must stay alive for it.
public class Lingers {
    public static void main(String[] args) {
        final String path = args[0];
        Thread t = new Thread(() -> {
            try {
                Thread.sleep(1500);
                try (FileOutputStream out = new FileOutputStream(path)) {
                    out.write("written after main returned".getBytes());
                }
            } catch (Exception e) {
                e.printStackTrace();
            }
        });
        t.setDaemon(false);
        t.start();
    }
}
