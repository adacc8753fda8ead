package vwtest;

// A main class whose name is not ASCII (vwtest.Café), with main, stop() and an int secondaryMain,
// so native tests see that all three are found through the name the launcher converts. main and
// secondaryMain print their arguments as UTF-16 units, so the output says exactly what crossed over
// whatever the VM's default character set; main with the argument "throw" throws a non-ASCII message.
public class NonAsciiName {
}

class Caf\u00e9 {
    public static void main(String[] args) {
        System.out.println("nonascii main " + args.length + units(args));
        System.out.flush();
        if (args.length == 1 && args[0].equals("throw")) throw new IllegalStateException("Caf\u00e9 kaputt");
    }

    public static void stop() {
        System.out.println("nonascii stop");
        System.out.flush();
    }

    public static int secondaryMain(String[] args) {
        System.out.println("nonascii secondaryMain " + args.length + units(args));
        System.out.flush();
        return 70 + args.length;
    }

    private static String units(String[] args) {
        StringBuilder b = new StringBuilder();
        for (String a : args) b.append(" [").append(Echo.units(a)).append(']');
        return b.toString();
    }
}
