package vaultwick.engine;

import java.util.ArrayList;
import java.util.List;

/** Everything the engine received, in arrival order, and the connection counts; waits are bounded. */
final class Recorder {
    static final class Received {
        final int seq;
        final int connection;
        final Frame frame;
        final String className;
        final boolean announced;

        Received(int seq, int connection, Frame frame, String className, boolean announced) {
            this.seq = seq;
            this.connection = connection;
            this.frame = frame;
            this.className = className;
            this.announced = announced;
        }

        /** WORD seq conn typeId class announced(y|n) length hex(-) text; WORD is FRAME or SENT */
        String describe(String word) {
            String hex = frame.body.length == 0 ? "-" : Frame.hex(frame.body);
            return word + " " + seq + " " + connection + " " + frame.typeId + " " + className + " "
                    + (announced ? "y" : "n") + " " + frame.length + " " + hex + " " + Frame.printable(frame.body);
        }
    }

    private final List<Received> frames = new ArrayList<>();
    private final List<Received> sent = new ArrayList<>();
    private int nextSeq = 1;
    private int nextSentSeq = 1;
    private int accepted;
    private int ended;

    synchronized void frame(int connection, Frame frame, String className, boolean announced) {
        frames.add(new Received(nextSeq++, connection, frame, className, announced));
        notifyAll();
    }

    /** What the engine wrote, announcements included (raw writes are not frames and are left out). */
    synchronized void sent(int connection, Frame frame, String className) {
        sent.add(new Received(nextSentSeq++, connection, frame, className, true));
    }

    synchronized List<Received> sentSnapshot() {
        return new ArrayList<>(sent);
    }

    synchronized void connectionAccepted() {
        accepted++;
        notifyAll();
    }

    synchronized void connectionEnded() {
        ended++;
        notifyAll();
    }

    synchronized List<Received> snapshot() {
        return new ArrayList<>(frames);
    }

    /** Forgets the frames; sequence numbers and connection counts go on, so old and new never mix. */
    synchronized void clear() {
        frames.clear();
        sent.clear();
    }

    synchronized int frameCount() {
        return frames.size();
    }

    synchronized int acceptedCount() {
        return accepted;
    }

    synchronized int endedCount() {
        return ended;
    }

    interface Condition {
        boolean met();
    }

    /** Waits until the condition holds or the time is up; returns whether it holds. */
    synchronized boolean await(Condition condition, long timeoutMillis) {
        long deadline = System.nanoTime() + timeoutMillis * 1_000_000L;
        while (!condition.met()) {
            long left = (deadline - System.nanoTime()) / 1_000_000L;
            if (left <= 0) return false;
            try {
                wait(left);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                return condition.met();
            }
        }
        return true;
    }

    synchronized int countOfType(int typeId) {
        int n = 0;
        for (Received r : frames) {
            if (r.frame.typeId == typeId) n++;
        }
        return n;
    }
}
