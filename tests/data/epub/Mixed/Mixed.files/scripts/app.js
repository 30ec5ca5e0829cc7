function greet() { if (1 < 2 && 3 > 2) { document.getElementById("out").textContent = "Hi"; } }
