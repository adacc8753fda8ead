package vwtest;

// Prints each argument on its own line to System.out, and "err:" + the count to System.err.
public class Echo {
    public static void main(String[] args) {
        for (String a : args) System.out.println(a);
        System.err.println("err:" + args.length);
        System.out.flush();
        System.err.flush();
    }

    // The UTF-16 units of a string as hex, so native tests can see exactly what crossed over.
    public static String units(String s) {
        StringBuilder b = new StringBuilder();
        for (char c : s.toCharArray()) b.append(String.format("%04x ", (int) c));
        return b.toString().trim();
    }
}
