package vwtest;

// Has a main, but not the static main(String[]) a launcher calls.
public class NoMain {
    public void main(String[] args) {}
}
