package vwtest;

// A main class whose name is not ASCII (vwtest.Café), with main, stop() and an int secondaryMain,
// so native tests see that all three are found through the name the launcher converts.
public class NonAsciiName {
}

class Caf\u00e9 {
    public static void main(String[] args) {
        System.out.println("nonascii main " + args.length);
        System.out.flush();
    }

    public static void stop() {
        System.out.println("nonascii stop");
        System.out.flush();
    }

    public static int secondaryMain(String[] args) {
        System.out.println("nonascii secondaryMain " + args.length);
        System.out.flush();
        return 70 + args.length;
    }
}
