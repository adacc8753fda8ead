package vwtest;

// A main class whose int secondaryMain throws, for the forwarding path's exception handling.
public class ThrowingSecondary {
    public static void main(String[] args) {}

    public static int secondaryMain(String[] args) {
        throw new IllegalStateException("secondary with " + args.length + " arguments");
    }
}
