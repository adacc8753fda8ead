package vwtest;

// A main class whose int secondaryMain and stop() throw, for the exception handling of the calls
// other threads make.
public class ThrowingSecondary {
    public static void main(String[] args) {}

    public static int secondaryMain(String[] args) {
        throw new IllegalStateException("secondary with " + args.length + " arguments");
    }

    public static void stop() {
        throw new UnsupportedOperationException("stop refused");
    }
}
