package vwtest;

public class Throws {
    public static void main(String[] args) {
        fail(args.length);
    }

    private static void fail(int n) {
        throw new IllegalStateException("thrown by main with " + n + " arguments");
    }
}
